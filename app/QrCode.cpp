#include "app/QrCode.h"

#include <ZXing/BarcodeFormat.h>
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <QPainter>

namespace korvane {
namespace {

constexpr int kQuietZone = 4;
// The writer maps its 0..8 scale onto the four levels; 1 is L.
constexpr int kEccLevelL = 1;

}  // namespace

std::string qrPayload(const std::string& ipAddress, const std::string& portText) {
    return "ZRQ\t1\t" + ipAddress + "\t" + portText;
}

QImage buildQrBitmap(const std::string& payload) {
    // Width and height 0 ask for one pixel per module; the encoding stays unset so that the
    // ASCII payload goes out as plain bytes without an ECI designator.
    ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                  .setEccLevel(kEccLevelL)
                                  .setMargin(kQuietZone)
                                  .encode(payload, 0, 0);
    const int n = matrix.width();
    QImage bitmap(n, n, QImage::Format_RGB32);
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            bitmap.setPixel(c, r, matrix.get(c, r) ? 0xFF000000u : 0xFFFFFFFFu);
        }
    }
    return bitmap;
}

QRect qrTargetRect(QSize box, QSize bitmap) {
    const double scale = box.width() < box.height()
                             ? static_cast<double>(box.width()) / bitmap.width()
                             : static_cast<double>(box.height()) / bitmap.height();
    return QRect(0, 0, static_cast<int>(bitmap.width() * scale),
                 static_cast<int>(bitmap.height() * scale));
}

void paintQr(QPainter& painter, QSize box, const QImage& bitmap) {
    painter.fillRect(QRect(QPoint(0, 0), box), Qt::white);
    if (bitmap.width() < 1 || bitmap.height() < 1) {
        return;
    }
    // Without smoothing each module stays a sharp black or white block.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(qrTargetRect(box, bitmap.size()), bitmap);
}

}  // namespace korvane
