#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <string>

class QPainter;

namespace korvane {

// What the phone reads from the code: "ZRQ", "1", the address and the port text as typed,
// separated by TAB characters.
std::string QrPayload(const std::string& pIpAddress, const std::string& pPortText);

// The QR symbol of pPayload (level L, quiet zone of 4 modules), one pixel per module, dark
// modules black and light ones white.
QImage BuildQrBitmap(const std::string& pPayload);

// Where the bitmap goes in a box of pBox: anchored at the top-left corner and scaled by the
// box's shorter side, truncated to whole pixels.
QRect QrTargetRect(QSize pBox, QSize pBitmap);

// Paints the box white and stretches the bitmap into QrTargetRect; an empty bitmap leaves it white.
void PaintQr(QPainter& pPainter, QSize pBox, const QImage& pBitmap);

}  // namespace korvane
