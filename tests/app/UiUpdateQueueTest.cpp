#include "core/UiUpdateQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/QtUiThread.h"
#include "tests/app/AppFakes.h"
#include "tests/app/QtTestHelpers.h"

namespace korvane {
namespace {

// With nobody flushing by hand: what a server thread posts reaches the window's thread by its
// event loop, the lines after a stopped state with it, and the lines of a later batch by their
// frame.
TEST(UiUpdateQueue, PostsFromAnotherThreadArriveByTheEventLoop) {
    test::app();
    std::vector<std::string> seen;
    QtUiThread uiThread;
    UiUpdateQueue queue(
        uiThread, [&](LogLines lines) { seen.push_back(std::string(lines[0])); },
        [&] { seen.push_back("stopped"); });
    std::thread([&] {
        queue.postStopped();
        queue.postLine("after the stop");
    }).join();
    ASSERT_TRUE(test::waitUntil([&] { return seen.size() == 2; }));
    std::thread([&] { queue.postLine("later"); }).join();
    ASSERT_TRUE(test::waitUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<std::string>{"stopped", "after the stop", "later"}));
}

}  // namespace
}  // namespace korvane
