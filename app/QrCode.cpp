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

std::string QrPayload(const std::string& pIpAddress, const std::string& pPortText) {
    return "ZRQ\t1\t" + pIpAddress + "\t" + pPortText;
}

QImage BuildQrBitmap(const std::string& pPayload) {
    // Width and height 0 ask for one pixel per module; the encoding stays unset so that the
    // ASCII payload goes out as plain bytes without an ECI designator.
    ZXing::BitMatrix matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                                  .setEccLevel(kEccLevelL)
                                  .setMargin(kQuietZone)
                                  .encode(pPayload, 0, 0);
    const int n = matrix.width();
    QImage bitmap(n, n, QImage::Format_RGB32);
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) {
            bitmap.setPixel(c, r, matrix.get(c, r) ? 0xFF000000u : 0xFFFFFFFFu);
        }
    }
    return bitmap;
}

QRect QrTargetRect(QSize pBox, QSize pBitmap) {
    const double scale = pBox.width() < pBox.height()
                             ? static_cast<double>(pBox.width()) / pBitmap.width()
                             : static_cast<double>(pBox.height()) / pBitmap.height();
    return QRect(0, 0, static_cast<int>(pBitmap.width() * scale),
                 static_cast<int>(pBitmap.height() * scale));
}

void PaintQr(QPainter& pPainter, QSize pBox, const QImage& pBitmap) {
    pPainter.fillRect(QRect(QPoint(0, 0), pBox), Qt::white);
    if (pBitmap.width() < 1 || pBitmap.height() < 1) {
        return;
    }
    // Without smoothing each module stays a sharp black or white block.
    pPainter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    pPainter.drawImage(QrTargetRect(pBox, pBitmap.size()), pBitmap);
}

}  // namespace korvane
