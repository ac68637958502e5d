#include "core/IntegerText.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(IntegerText, AcceptsTheFormsOfThePortBoxAndTheSettingsFile) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"65001", 65001},
        {" 65001", 65001},
        {"065001", 65001},
        {"70000", 70000},
        {"-5", -5},
        {"+7", 7},
        {"$FF", 255},
        {"x1f", 31},
        {"X1F", 31},
        {"0x10", 16},
        {"0X10", 16},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"$FFFFFFFF", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseIntegerText(c.text), c.value) << c.text;
    }
}

TEST(IntegerText, RefusesEverythingElse) {
    for (const char* text : {"", " ", "abc", "65001 ", "6 5", "1.5", "--1", "$", "0x", "$G",
                             "2147483648", "-2147483649", "$100000000", "\t1", "1\n"}) {
        EXPECT_FALSE(parseIntegerText(text).has_value()) << '"' << text << '"';
    }
}

TEST(IntegerText, MessageQuotesTheTextWithDoubledApostrophes) {
    EXPECT_EQ(notAnIntegerMessage("abc"), "''abc'' は整数ではありません");
    EXPECT_EQ(notAnIntegerMessage(""), "'''' は整数ではありません");
}

}  // namespace
}  // namespace korvane
