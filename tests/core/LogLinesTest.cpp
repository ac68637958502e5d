#include "core/LogLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <utility>

namespace korvane {
namespace {

void expectSame(const LogLines& lines, const std::deque<std::string>& expected) {
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(lines[i], expected[i]) << "line " << i;
    }
}

// Lines of every length that matters to how texts are filled: empty, short, longer than a new
// text's least room, longer than its most; added one by one, appended in frames as the window
// takes them (a few lines copied, many moved), and dropped across the texts they were in, against
// the same done to a deque.
TEST(LogLines, KeepEveryLineWholeAcrossTextsAppendsAndDrops) {
    const std::string lengths[] = {"",
                                   "x",
                                   std::string(300, 'a'),
                                   std::string(70000, 'b'),
                                   "行 \u21B5 UTF-8",
                                   std::string(5000, 'c')};
    LogLines log;
    std::deque<std::string> expected;
    int made = 0;
    for (int frame = 0; frame < 40; ++frame) {
        LogLines newer;
        std::deque<std::string> newerExpected;
        for (int i = 0; i < frame % 7; ++i) {
            std::string line = lengths[made % std::size(lengths)] + std::to_string(made);
            ++made;
            newer.add(line);
            newerExpected.push_back(line);
        }
        // A frame whose oldest lines gave way while it waited.
        if (frame % 4 == 3) {
            newer.dropOldest(3);
            newerExpected.erase(
                newerExpected.begin(),
                newerExpected.begin() + std::min<std::size_t>(3, newerExpected.size()));
        }
        expected.insert(expected.end(), newerExpected.begin(), newerExpected.end());
        log.append(std::move(newer));
        EXPECT_TRUE(newer.empty());
        expectSame(log, expected);

        const std::size_t drop = frame % 3 == 0 ? 2 : 0;
        log.dropOldest(drop);
        for (std::size_t i = 0; i < drop && !expected.empty(); ++i) {
            expected.pop_front();
        }
        expectSame(log, expected);
    }
    // A flood's frame whose first text went entirely while it waited: its texts are moved and
    // numbered on from these.
    LogLines waited;
    waited.add(std::string(70000, 'w'));
    waited.add(std::string(5000, 'v'));
    waited.add("last");
    waited.dropOldest(1);
    log.append(std::move(waited));
    expected.push_back(std::string(5000, 'v'));
    expected.push_back("last");
    expectSame(log, expected);

    log.dropOldest(expected.size() + 5);
    EXPECT_TRUE(log.empty());
    log.add("after");
    log.add("all");
    expectSame(log, {"after", "all"});
}

}  // namespace
}  // namespace korvane
