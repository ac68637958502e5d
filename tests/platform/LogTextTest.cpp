#include <gtest/gtest.h>

#include "platform/LogText.h"

namespace korvane {
namespace {

TEST(LogText, KeepsTheFirstThousandCharactersAndNamesTheWholeLength) {
    std::string kanji;
    for (int i = 0; i < 1000; ++i) {
        kanji += "日";
    }
    EXPECT_EQ(boundedLogText(kanji), kanji) << "3,000 bytes but 1,000 characters";
    EXPECT_EQ(boundedLogText(kanji + "x"), kanji + "…(1001 文字)");
    EXPECT_EQ(boundedLogText(std::string(1 << 20, '0')),
              std::string(1000, '0') + "…(1048576 文字)");
    EXPECT_EQ(boundedLogText("abcdef", 3), "abc…(6 文字)");
    EXPECT_EQ(boundedLogText(""), "");
}

}  // namespace
}  // namespace korvane
