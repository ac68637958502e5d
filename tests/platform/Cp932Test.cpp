#include <gtest/gtest.h>

#include "platform/Cp932.h"

namespace korvane {
namespace {

struct Case {
    const char* utf8;
    const char* cp932;
};

TEST(Cp932, RoundTripsTextTheWireCarries) {
    const Case cases[] = {
        {"", ""},
        {"ABC-123 \t", "ABC-123 \t"},
        // Taken as they are, without the converter: which must agree, 0x5C and 0x7E included.
        {"C:\\dir~1\x7F\x01", "C:\\dir~1\x7F\x01"},
        {"key\\日本", "key\\\x93\xFA\x96\x7B"},
        {"日本語", "\x93\xFA\x96\x7B\x8C\xEA"},
        {"ｶﾀｶﾅ", "\xB6\xC0\xB6\xC5"},  // half-width katakana are single bytes
        {"～", "\x81\x60"},            // the fullwidth tilde Windows maps to 0x8160
        {"①", "\x87\x40"},             // an NEC special character
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cp932::encode(c.utf8), c.cp932) << c.utf8;
        EXPECT_EQ(Cp932::decode(c.cp932), c.utf8) << c.utf8;
        EXPECT_EQ(Cp932::byteCount(c.utf8), std::string(c.cp932).size()) << c.utf8;
    }
}

TEST(Cp932, EveryByteBelow0x80IsTheSameCharacterInBoth) {
    std::string ascii;
    for (int c = 1; c < 0x80; ++c) {
        ascii += static_cast<char>(c);
    }
    // With one non-ASCII character the converter does the whole text.
    EXPECT_EQ(Cp932::encode(ascii + "日"), ascii + "\x93\xFA");
    EXPECT_EQ(Cp932::decode(ascii + "\x93\xFA"), ascii + "日");
    EXPECT_EQ(Cp932::encode(ascii), ascii);
    EXPECT_EQ(Cp932::decode(ascii), ascii);
}

TEST(Cp932, UnrepresentableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(Cp932::encode("a😀b"), "a?b");
    EXPECT_EQ(Cp932::encode("한글"), "??");
    EXPECT_EQ(Cp932::encode("x\xFFy"), "x?y");  // not even UTF-8
    EXPECT_EQ(Cp932::encode("\xC0\x80"), "?");  // an overlong NUL is one malformed character
    // No look-alike stands in: Windows' best-fit table would make this an 'A'.
    EXPECT_EQ(Cp932::encode("À"), "?");
}

TEST(Cp932, InvalidBytesDecodeToReplacementCharacters) {
    EXPECT_EQ(Cp932::decode("a\x81"), "a\xEF\xBF\xBD");  // lead byte cut at the end
    EXPECT_EQ(Cp932::decode("\xA0z"), "\xEF\xBF\xBDz");
    // Single bytes Windows maps to private-use characters are no characters of the wire.
    EXPECT_EQ(Cp932::decode("\x80\xFD\xFF"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Cp932::decode("\x85\x40|"), "\xEF\xBF\xBD|");  // an unassigned double-byte code
    EXPECT_EQ(Cp932::decode("\x81 x"), "\xEF\xBF\xBDx");     // a lead byte takes its follower
}

}  // namespace
}  // namespace korvane
