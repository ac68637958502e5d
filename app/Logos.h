#pragma once

#include <QImage>

namespace korvane {

// The program's mark, a barcode with a scan line, pSize x pSize pixels.
QImage DrawLogo(int pSize);

}  // namespace korvane
