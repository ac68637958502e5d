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

#include "core/QrEncoder.h"
#include "core/QrPayload.h"

namespace korvane {
namespace {

// What the Linux build draws (core/QrMatrixZXing.cpp): level L (1 on the writer's scale), a
// margin of 4 modules, no character set so that the bytes go out without an ECI designator.
QrMatrix zxingSymbol(const std::string& payload) {
    const ZXing::BitMatrix bits = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                      .setEccLevel(1)
                                      .setMargin(4)
                                      .encode(payload, 0, 0);
    QrMatrix symbol;
    symbol.size = bits.width();
    for (int y = 0; y < symbol.size; ++y) {
        for (int x = 0; x < symbol.size; ++x) {
            symbol.dark.push_back(bits.get(x, y));
        }
    }
    return symbol;
}

// Read back as a phone would: a grey picture, 3 pixels a module.
std::string decode(const QrMatrix& symbol) {
    constexpr int kScale = 3;
    const int width = symbol.size * kScale;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * width);
    for (int y = 0; y < width; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<std::size_t>(y) * width + x] =
                symbol.isDark(x / kScale, y / kScale) ? 0 : 255;
        }
    }
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    const ZXing::Result result =
        ZXing::ReadBarcode({pixels.data(), width, width, ZXing::ImageFormat::Lum}, hints);
    return result.isValid() ? result.text() : "<unreadable>";
}

// Printable text of a given length that is not one repeated byte, so that the masks have
// something to choose between; the TAB keeps it in byte mode, as in the connection payload.
std::string filler(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        text.push_back(i % 9 == 4 ? '\t' : static_cast<char>('!' + (i * 37) % 94));
    }
    return text;
}

std::vector<std::string> connectionPayloads() {
    // Every address length from 7 to 15 characters, every port length from 1 to 5 digits.
    const std::vector<std::string> addresses{"1.2.3.4",       "10.2.3.4",       "10.20.3.4",
                                             "10.20.30.4",    "10.20.30.40",    "100.20.30.40",
                                             "192.168.30.40", "192.168.100.40", "255.255.255.255"};
    const std::vector<std::string> ports{"1", "80", "443", "8080", "65535"};
    std::vector<std::string> payloads;
    for (const std::string& address : addresses) {
        for (const std::string& port : ports) {
            payloads.push_back(qrPayload(address, port));
        }
    }
    // A port as typed, leading zero and all.
    payloads.push_back(qrPayload("192.168.0.5", "065001"));
    // Masks that only the dark share tells apart, and two masks of the same penalty (the lower
    // number wins).
    payloads.push_back(qrPayload("192.168.10.110", "12345"));
    payloads.push_back(qrPayload("192.168.2.2", "12345"));
    return payloads;
}

void expectSameAsZXing(const std::string& payload) {
    SCOPED_TRACE(testing::PrintToString(payload));
    const std::optional<QrMatrix> ours = encodeQrSymbol(payload);
    ASSERT_TRUE(ours.has_value());
    const QrMatrix theirs = zxingSymbol(payload);
    ASSERT_EQ(ours->size, theirs.size);
    EXPECT_TRUE(ours->dark == theirs.dark);
    EXPECT_EQ(decode(*ours), payload);
}

TEST(QrEncoderTest, ConnectionPayloadsGiveZXingsSymbolAndReadBack) {
    for (const std::string& payload : connectionPayloads()) {
        expectSameAsZXing(payload);
    }
}

// Each version's last byte and the first byte that needs the next one: the version choice,
// the two-group blocks of version 10 and its 16-bit character count.
TEST(QrEncoderTest, VersionBoundariesGiveZXingsSymbol) {
    const std::vector<std::size_t> capacities{17, 32, 53, 78, 106, 134, 154, 192, 228, 271};
    for (std::size_t v = 0; v < capacities.size(); ++v) {
        const std::string full = filler(capacities[v]);
        expectSameAsZXing(full);
        EXPECT_EQ(encodeQrSymbol(full)->size, 17 + 4 * static_cast<int>(v + 1) + 8);
        if (v + 1 < capacities.size()) {
            expectSameAsZXing(filler(capacities[v] + 1));
        }
    }
}

TEST(QrEncoderTest, ShortestPayloadsGiveZXingsSymbol) {
    expectSameAsZXing("\t");
    expectSameAsZXing("ZRQ\t1\t\t");
}

TEST(QrEncoderTest, LongestSupportedPayloadEncodesAndOneMoreByteIsRefused) {
    ASSERT_EQ(kQrMaxPayloadBytes, 271u);
    EXPECT_TRUE(encodeQrSymbol(filler(kQrMaxPayloadBytes)).has_value());
    EXPECT_FALSE(encodeQrSymbol(filler(kQrMaxPayloadBytes + 1)).has_value());
    EXPECT_FALSE(encodeQrSymbol(std::string(1000, 'x')).has_value());
}

}  // namespace
}  // namespace korvane
