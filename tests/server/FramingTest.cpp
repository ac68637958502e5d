#include <gtest/gtest.h>

#include "platform/Cp932.h"
#include "server/Framing.h"
#include "server/ServerError.h"

namespace korvane {
namespace {

TEST(CheckDigit, IsTheDigitSumModuloTen) {
    const std::pair<const char*, const char*> cases[] = {
        {"0000000000", "0"}, {"0000000120", "3"}, {"0000000260", "8"},
        {"0000001234", "0"}, {"0000000999", "7"}, {"9999999999", "0"},
    };
    for (const auto& [length, digit] : cases) {
        EXPECT_EQ(checkDigit(length), digit) << length;
    }
}

TEST(CheckDigit, FailsOnAnythingButDigits) {
    for (const char* length : {"00000 0120", "000000012a", "-000000120", "0000000１2"}) {
        EXPECT_THROW(checkDigit(length), ServerError) << length;
    }
}

TEST(MakeHeader, WritesLengthCheckDigitAndType) {
    EXPECT_EQ(makeHeader(120, MessageType::Reply), "0000000120300009");
    EXPECT_EQ(makeHeader(1234, MessageType::File), "0000001234000003");
    EXPECT_EQ(makeHeader(0, MessageType::Answer), "0000000000000001");
}

TEST(StrToInt, AcceptsSignedDecimalsInRangeOnly) {
    EXPECT_EQ(parseInt32("0101"), 101);
    EXPECT_EQ(parseInt32("-5"), -5);
    EXPECT_EQ(parseInt32("+7"), 7);
    EXPECT_EQ(parseInt32("2147483647"), 2147483647);
    EXPECT_EQ(parseInt32("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "-", "abc", " 1", "1 ", "2147483648", "99999999999", "0x10"}) {
        EXPECT_THROW(parseInt32(bad), ServerError) << bad;
    }
    EXPECT_THROW(parseInt32("-1", false), ServerError);
    try {
        parseInt32("abc");
        ADD_FAILURE() << "no error";
    } catch (const ServerError& e) {
        EXPECT_STREQ(e.what(), "'abc' は有効な整数値ではありません。");
    }
    // Text from the network never carries its control characters into the log.
    try {
        parseInt32("1\r\n2");
        ADD_FAILURE() << "no error";
    } catch (const ServerError& e) {
        EXPECT_STREQ(e.what(), "'1??2' は有効な整数値ではありません。");
    }
}

TEST(PadBytes, FillsTheFieldToItsByteWidth) {
    EXPECT_EQ(padBytes("capture.png", 260), "capture.png" + std::string(249, ' '));
    EXPECT_EQ(padBytes("", 520), std::string(520, ' '));
    EXPECT_EQ(padBytes("toolong", 4), "tool");
    // Double-byte characters take two bytes of the width.
    EXPECT_EQ(padBytes("日本", 6), "日本  ");
    // A cut through a double-byte character leaves a space in its place: still 5 bytes.
    std::string cut = padBytes("日本語", 5);
    EXPECT_EQ(cut, "日本 ");
    EXPECT_EQ(Cp932::encode(cut).size(), 5u);
}

TEST(ByteCount, CountsShiftJisBytes) {
    EXPECT_EQ(byteCount("101\t1"), 5);
    EXPECT_EQ(byteCount("キャプチャ失敗:x"), 16);
    EXPECT_EQ(byteCount("ｱ"), 1);
}

TEST(TrimRight, RemovesTrailingBlanksAndControlsOnly) {
    EXPECT_EQ(trimRight("  KEY  \t\r\n\x01"), "  KEY");
    EXPECT_EQ(trimRight(" \t"), "");
    EXPECT_EQ(trimRight("日本 "), "日本");
}

TEST(JoinError, PutsTheOuterTextFirst) {
    EXPECT_EQ(joinError("a", "b"), "a\r\nb");
}

}  // namespace
}  // namespace korvane
