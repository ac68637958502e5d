#include <gtest/gtest.h>

#include "platform/Utf8.h"

namespace korvane {
namespace {

TEST(Utf8, CountsAndCutsByCharacter) {
    EXPECT_EQ(utf8::length(""), 0u);
    EXPECT_EQ(utf8::length("aé日😀"), 4u);
    EXPECT_EQ(utf8::mid("ab日本c", 2, 2), "日本");
    EXPECT_EQ(utf8::mid("ab日本c", 3), "本c");
    EXPECT_EQ(utf8::mid("abc", 5, 2), "");
    EXPECT_EQ(utf8::mid("a\xFF"
                        "b",
                        1, 1),
              "\xFF");  // a stray byte counts as one character
}

TEST(Utf8, CodePointsReplaceEveryBadSequenceByteByByte) {
    const std::pair<std::string, std::u32string> cases[] = {
        {"aé日𠮷", U"aé日𠮷"},
        {"", U""},
        {"a\xFF"
         "b",
         U"a\uFFFDb"},                                      // a stray byte
        {"\xE6\x97", U"\uFFFD\uFFFD"},                      // cut short at the end
        {"\xC0\xAF", U"\uFFFD\uFFFD"},                      // overlong "/"
        {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},            // a surrogate
        {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
        {"\xE6x", U"\uFFFDx"},                              // the next byte starts again
    };
    for (const auto& [text, points] : cases) {
        EXPECT_TRUE(utf8::codePoints(text) == points) << text;
    }
}

}  // namespace
}  // namespace korvane
