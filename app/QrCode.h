#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <string>

#include "core/QrPayload.h"

class QPainter;

namespace korvane {

// The QR symbol of payload (encodeQr: level L, quiet zone of 4 modules), one pixel per module,
// dark modules black and light ones white.
QImage buildQrBitmap(const std::string& payload);

// Where the bitmap goes in a box of box: anchored at the top-left corner and scaled by the
// box's shorter side, truncated to whole pixels.
QRect qrTargetRect(QSize box, QSize bitmap);

// Paints the box white and stretches the bitmap into qrTargetRect; an empty bitmap leaves it white.
void paintQr(QPainter& painter, QSize box, const QImage& bitmap);

}  // namespace korvane
