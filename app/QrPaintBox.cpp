#include "app/QrPaintBox.h"

#include <QPainter>

#include "app/QrCode.h"

namespace korvane {

TQRPaintBox::TQRPaintBox(const QImage& pBitmap, QWidget* pParent)
    : QWidget(pParent), mBitmap(pBitmap) {}

void TQRPaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintQr(painter, size(), mBitmap);
}

}  // namespace korvane
