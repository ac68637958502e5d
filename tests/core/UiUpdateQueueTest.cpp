#include "core/UiUpdateQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/core/QueuedUiThread.h"

namespace korvane {
namespace {

// While the window's thread is busy, at most the log's cap of lines waits: the oldest give way,
// wherever they are, and a stopped state keeps its place among the lines that stay.
TEST(UiUpdateQueue, ABusyWindowGetsTheNewestLinesAndTheStoppedStateInOrder) {
    test::QueuedUiThread uiThread;
    std::vector<std::string> seen;
    UiUpdateQueue queue(
        uiThread,
        [&](LogLines lines) {
            seen.push_back("lines " + std::string(lines[0]) + " to " +
                           std::string(lines[lines.size() - 1]) + ", " +
                           std::to_string(lines.size()));
        },
        [&] { seen.push_back("stopped"); });
    const auto postA = [&] {
        for (const char* line : {"a0", "a1", "a2"}) {
            queue.postLine(line);
        }
    };
    postA();
    queue.postStopped();
    queue.postLine("b0");
    queue.flush();
    EXPECT_EQ(seen,
              (std::vector<std::string>{"lines a0 to a2, 3", "stopped", "lines b0 to b0, 1"}));

    // Four lines too many: the three before the stopped state and the first after it give way.
    seen.clear();
    postA();
    queue.postStopped();
    for (std::size_t i = 0; i <= kMaxLogLines; ++i) {
        queue.postLine("b" + std::to_string(i));
    }
    queue.flush();
    EXPECT_EQ(seen,
              (std::vector<std::string>{"stopped", "lines b1 to b" + std::to_string(kMaxLogLines) +
                                                       ", " + std::to_string(kMaxLogLines)}));
}

}  // namespace
}  // namespace korvane
