#pragma once

#include <QImage>

namespace korvane {

// The program's mark, a barcode with a scan line, size x size pixels.
QImage drawLogo(int size);

}  // namespace korvane
