#include <gtest/gtest.h>

#include <ZXing/BarcodeFormat.h>
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
// The text as UTF-8, as the phone reads it.
#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/Code128.h"

namespace korvane {
namespace {

std::vector<bool> zxingModules(const std::string& text) {
    // ZXing's one-dimensional writers split the margin between both sides.
    const ZXing::BitMatrix bits = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::Code128)
                                      .setMargin(2 * kCode128QuietZone)
                                      .encode(text, 0, 0);
    std::vector<bool> modules;
    for (int x = 0; x < bits.width(); ++x) {
        modules.push_back(bits.get(x, 0));
    }
    return modules;
}

// Read back from a grey picture, 2 pixels a module and 30 rows high.
std::string decode(const std::vector<bool>& modules) {
    constexpr int kScale = 2;
    constexpr int kHeight = 30;
    const int width = static_cast<int>(modules.size()) * kScale;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<std::size_t>(y) * width + x] =
                modules[static_cast<std::size_t>(x / kScale)] ? 0 : 255;
        }
    }
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::Code128);
    const ZXing::Result result =
        ZXing::ReadBarcode({pixels.data(), width, kHeight, ZXing::ImageFormat::Lum}, hints);
    return result.isValid() ? result.text() : "<unreadable>";
}

// Approval codes as they come (letters, digits, runs of digits of every length at the start, in
// the middle and at the end, where code set C pays and where it does not), then every printable
// character and every digit pair, so that each symbol value in use is checked once; ZXing's
// writer takes at most 80 characters.
std::vector<std::string> texts() {
    std::vector<std::string> all{
        "7",          "K9",       "12",       "123",          "1234",         "12345",
        "A7K2M9QX",   "12345678", "X1234567", "1234567890AB", "AB12CD34",     "ZZZZZZZZ",
        "0123456789", "12A",      "123A",     "AB12",         "AB123",        "AB1234",
        "A12345B",    "A1234B",   "9Q8W7E6R", "00000000",     "Q0000000000Z", "KX123456789"};
    std::string printable;
    for (char c = ' '; c <= '~'; ++c) {
        printable.push_back(c);
    }
    all.push_back(printable.substr(0, 60));
    all.push_back(printable.substr(60));
    std::string pairs;
    for (int n = 0; n < 100; ++n) {
        pairs += std::to_string(n / 10) + std::to_string(n % 10);
    }
    for (std::size_t from = 0; from < pairs.size(); from += 80) {
        all.push_back(pairs.substr(from, 80));
    }
    return all;
}

TEST(Code128Test, ModulesEqualZXingsAndReadBack) {
    for (const std::string& text : texts()) {
        SCOPED_TRACE(text);
        const std::optional<std::vector<bool>> ours = encodeCode128(text);
        ASSERT_TRUE(ours.has_value());
        EXPECT_TRUE(*ours == zxingModules(text));
        EXPECT_EQ(decode(*ours), text);
    }
}

TEST(Code128Test, QuietZonesFrameTheBars) {
    const std::vector<bool> modules = encodeCode128("A7K2M9QX").value();
    // Start, eight characters and checksum of 11 modules each, the stop of 13.
    ASSERT_EQ(modules.size(), 2u * kCode128QuietZone + 10 * 11 + 13);
    for (int i = 0; i < kCode128QuietZone; ++i) {
        EXPECT_FALSE(modules[static_cast<std::size_t>(i)]);
        EXPECT_FALSE(modules[modules.size() - 1 - static_cast<std::size_t>(i)]);
    }
    EXPECT_TRUE(modules[kCode128QuietZone]);
    EXPECT_TRUE(modules[modules.size() - 1 - kCode128QuietZone]);
}

TEST(Code128Test, EmptyTextAndCharactersOutsidePrintableAsciiAreRefused) {
    for (const std::string& text : {std::string(), std::string("AB\tC"), std::string("A\x7f"),
                                    std::string("\xc3\xa9"), std::string(1, '\0')}) {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_FALSE(encodeCode128(text).has_value());
    }
}

}  // namespace
}  // namespace korvane
