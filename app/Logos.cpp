#include "app/Logos.h"

#include <QPainter>

namespace korvane {
namespace {

// Bar and gap widths, in units, of the mark's barcode: bar, gap, bar, gap, ...
constexpr int kPattern[] = {2, 1, 1, 1, 3, 1, 1, 2, 2, 1, 1, 1, 3, 2, 1, 1, 2, 1, 1};

}  // namespace

QImage drawLogo(int size) {
    QImage logo(size, size, QImage::Format_ARGB32);
    logo.fill(Qt::white);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);

    int units = 0;
    for (int width : kPattern) {
        units += width;
    }
    const double left = size * 0.14;
    const double unit = size * 0.72 / units;
    const double top = size * 0.2;
    const double height = size * 0.6;
    double x = left;
    bool bar = true;
    for (int width : kPattern) {
        if (bar) {
            painter.fillRect(QRectF(x, top, width * unit, height), QColor(0x20, 0x20, 0x28));
        }
        x += width * unit;
        bar = !bar;
    }
    // The scan line across the bars.
    painter.setPen(QPen(QColor(0xE0, 0x20, 0x20), size * 0.035, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(size * 0.08, size * 0.5), QPointF(size * 0.92, size * 0.5));
    return logo;
}

}  // namespace korvane
