#include "desktop/VirtualKey.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(VirtualKey, KeyCodeTextIsASignedDecimalInt32) {
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
        const DesktopResult<std::int32_t> code = parseKeyCode(c.text);
        EXPECT_EQ(static_cast<bool>(code), c.valid) << "'" << c.text << "'";
        if (c.valid) {
            EXPECT_EQ(*code, c.code) << c.text;
        } else {
            EXPECT_EQ(code.error().kind(), DesktopError::Kind::BadKeyCode);
            EXPECT_EQ(code.error().message(),
                      std::string("'") + c.text + "' は有効な整数値ではありません。");
        }
    }
}

TEST(VirtualKey, SuffixAndPrefixTables) {
    EXPECT_EQ(suffixKey(1), VirtualKey::Return);
    EXPECT_EQ(suffixKey(2), VirtualKey::Tab);
    EXPECT_EQ(prefixKey(1), VirtualKey::F2);
    for (std::int32_t other : {0, 3, -1, 100}) {
        EXPECT_EQ(suffixKey(other), VirtualKey::NoKey) << other;
    }
    for (std::int32_t other : {0, 2, -1}) {
        EXPECT_EQ(prefixKey(other), VirtualKey::NoKey) << other;
    }
}

}  // namespace
}  // namespace korvane
