#include "app/QrPaintBox.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/QrCode.h"

namespace korvane {

QrPaintBox::QrPaintBox(const QImage& bitmap, QWidget* parent) : QWidget(parent), mBitmap(bitmap) {}

void QrPaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintQr(painter, size(), mBitmap);
}

}  // namespace korvane

namespace korvane {

void QrPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
}

}  // namespace korvane
