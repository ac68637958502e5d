#include "desktop/KeyTables.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(KeyTables, KeyCodeTextIsASignedDecimalInt32) {
    struct Case {
        const char* text;
        bool valid;
        std::int32_t code;
    };
    const Case cases[] = {
        {"1", true, 1},
        {"2", true, 2},
        {"0", true, 0},
        {"-1", true, -1},
        {"+2", true, 2},
        {"007", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"", false, 0},
        {"abc", false, 0},
        {" 1", false, 0},
        {"1 ", false, 0},
        {"+", false, 0},
        {"-", false, 0},
        {"+-1", false, 0},
        {"1.0", false, 0},
        {"0x1", false, 0},
        {"2147483648", false, 0},
        {"１", false, 0},  // a full-width digit is not a decimal digit here
    };
    for (const Case& c : cases) {
        std::int32_t code = 99;
        std::string error = "untouched";
        EXPECT_EQ(parseKeyCode(c.text, code, error), c.valid) << "'" << c.text << "'";
        if (c.valid) {
            EXPECT_EQ(code, c.code) << c.text;
            EXPECT_EQ(error, "untouched");
        } else {
            EXPECT_EQ(error, std::string("'") + c.text + "' は有効な整数値ではありません。");
        }
    }
}

TEST(KeyTables, SuffixAndPrefixTables) {
    EXPECT_EQ(suffixKey(1), kVkReturn);
    EXPECT_EQ(suffixKey(2), kVkTab);
    EXPECT_EQ(prefixKey(1), kVkF2);
    for (std::int32_t other : {0, 3, -1, 100}) {
        EXPECT_EQ(suffixKey(other), kVkNone) << other;
    }
    for (std::int32_t other : {0, 2, -1}) {
        EXPECT_EQ(prefixKey(other), kVkNone) << other;
    }
}

}  // namespace
}  // namespace korvane
