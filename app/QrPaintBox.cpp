#include "app/QrPaintBox.h"

#include <QPainter>

#include "app/QrCode.h"

namespace korvane {

QrPaintBox::QrPaintBox(const QImage& bitmap, QWidget* parent) : QWidget(parent), mBitmap(bitmap) {}

void QrPaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintQr(painter, size(), mBitmap);
}

}  // namespace korvane
