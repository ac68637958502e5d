#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <string>

class QPainter;

namespace korvane {

// What the phone reads from the code: "ZRQ", "1", the address and the port text as typed,
// separated by TAB characters.
std::string qrPayload(const std::string& ipAddress, const std::string& portText);

// The QR symbol of payload (level L, quiet zone of 4 modules), one pixel per module, dark
// modules black and light ones white.
QImage buildQrBitmap(const std::string& payload);

// Where the bitmap goes in a box of box: anchored at the top-left corner and scaled by the
// box's shorter side, truncated to whole pixels.
QRect qrTargetRect(QSize box, QSize bitmap);

// Paints the box white and stretches the bitmap into qrTargetRect; an empty bitmap leaves it white.
void paintQr(QPainter& painter, QSize box, const QImage& bitmap);

}  // namespace korvane
