#include "app/QrCode.h"

#include <QPainter>

#include "core/QrMatrix.h"

namespace korvane {

QImage buildQrBitmap(const std::string& payload) {
    const QrMatrix matrix = encodeQr(payload);
    QImage bitmap(matrix.size, matrix.size, QImage::Format_RGB32);
    for (int y = 0; y < matrix.size; ++y) {
        for (int x = 0; x < matrix.size; ++x) {
            bitmap.setPixel(x, y, matrix.isDark(x, y) ? 0xFF000000u : 0xFFFFFFFFu);
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
