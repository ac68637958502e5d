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

}  // namespace
}  // namespace korvane
