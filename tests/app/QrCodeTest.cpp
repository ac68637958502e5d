#include "app/QrCode.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>
#include <gtest/gtest.h>

#include <QPainter>

namespace korvane {
namespace {

ZXing::Result decode(const QImage& bitmap) {
    QImage grey = bitmap.convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    return ZXing::ReadBarcode({grey.constBits(), grey.width(), grey.height(),
                               ZXing::ImageFormat::Lum, static_cast<int>(grey.bytesPerLine())},
                              hints);
}

TEST(QrCode, PayloadCarriesTheAddressAndThePortTextAsTyped) {
    EXPECT_EQ(qrPayload("192.168.0.5", "65001"), "ZRQ\t1\t192.168.0.5\t65001");
    EXPECT_EQ(qrPayload("192.168.0.5", "65001").size(), 23u);
    EXPECT_EQ(qrPayload("10.0.0.5", "065001"), "ZRQ\t1\t10.0.0.5\t065001");
}

TEST(QrCode, TheBitmapDecodesToThePayloadAtLevelL) {
    const struct {
        const char* address;
        const char* port;
        int size;
    } cases[] = {
        {"10.0.0.5", "80", 29},         // 17 bytes: version 1
        {"192.168.0.5", " 65001", 33},  // 24 bytes: version 2
        {"192.168.100.200", "065001", 33},
    };
    for (const auto& c : cases) {
        const std::string payload = qrPayload(c.address, c.port);
        QImage bitmap = buildQrBitmap(payload);
        EXPECT_EQ(bitmap.size(), QSize(c.size, c.size)) << payload;
        ZXing::Result result = decode(bitmap);
        ASSERT_TRUE(result.isValid()) << payload;
        EXPECT_EQ(result.text(), payload);
        EXPECT_EQ(result.ecLevel(), "L");
        EXPECT_FALSE(result.hasECI());
        // Only black and white, and a white quiet zone of four modules.
        for (int y = 0; y < bitmap.height(); ++y) {
            for (int x = 0; x < bitmap.width(); ++x) {
                QRgb pixel = bitmap.pixel(x, y);
                ASSERT_TRUE(pixel == 0xFF000000u || pixel == 0xFFFFFFFFu);
                bool quiet = x < 4 || y < 4 || x >= c.size - 4 || y >= c.size - 4;
                if (quiet) {
                    ASSERT_EQ(pixel, 0xFFFFFFFFu) << x << "," << y;
                }
            }
        }
        // The finder pattern's corner is dark: the symbol is not mirrored or shifted.
        EXPECT_EQ(bitmap.pixel(4, 4), 0xFF000000u);
    }
}

TEST(QrCode, TargetIsAnchoredTopLeftAndScaledByTheShorterSide) {
    const struct {
        QSize box;
        QSize bitmap;
        QRect target;
    } cases[] = {
        {{76, 75}, {29, 29}, {0, 0, 75, 75}},
        {{76, 75}, {33, 33}, {0, 0, 75, 75}},
        {{76, 75}, {37, 37}, {0, 0, 75, 75}},
        {{75, 76}, {29, 29}, {0, 0, 75, 75}},
        {{76, 75}, {41, 41}, {0, 0, 75, 75}},
        {{60, 51}, {21, 21}, {0, 0, 50, 50}},  // 51 / 21 * 21 comes out just below 51
        {{40, 80}, {29, 29}, {0, 0, 40, 40}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qrTargetRect(c.box, c.bitmap), c.target)
            << c.box.width() << "x" << c.box.height() << " " << c.bitmap.width();
    }
}

TEST(QrCode, PaintingFillsWhiteAndStretchesTheCodeIntoTheCorner) {
    QImage box(76, 75, QImage::Format_RGB32);
    box.fill(Qt::red);
    {
        QPainter painter(&box);
        paintQr(painter, box.size(), QImage());
    }
    for (int y = 0; y < box.height(); ++y) {
        for (int x = 0; x < box.width(); ++x) {
            ASSERT_EQ(box.pixel(x, y), 0xFFFFFFFFu) << "an empty bitmap leaves the box white";
        }
    }

    QImage bitmap = buildQrBitmap(qrPayload("10.0.0.5", "80"));
    {
        QPainter painter(&box);
        paintQr(painter, box.size(), bitmap);
    }
    // Scale 75 / 29: module 4 (the finder pattern's corner) covers pixels 10 to 12.
    EXPECT_EQ(box.pixel(11, 11), 0xFF000000u);
    EXPECT_EQ(box.pixel(5, 5), 0xFFFFFFFFu);
    for (int y = 0; y < box.height(); ++y) {
        EXPECT_EQ(box.pixel(75, y), 0xFFFFFFFFu) << "the column right of the code stays white";
    }
    // What was painted still decodes.
    QImage painted = box.copy(0, 0, 75, 75);
    EXPECT_EQ(decode(painted).text(), qrPayload("10.0.0.5", "80"));
}

}  // namespace
}  // namespace korvane
