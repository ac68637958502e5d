#pragma once

#include <string>

#include "core/QrMatrix.h"

namespace korvane {

// The QR symbol as lines of text for a terminal, two module rows a line, in UTF-8: the light
// modules (the quiet zone included) drawn with the block characters U+2580 ▀, U+2584 ▄ and
// U+2588 █ in the terminal's text colour, the dark ones left as its background. On the usual
// terminal, light text on a dark background, a phone so sees dark modules on light as it expects.
// Each line ends with '\n'; a last odd row is drawn with a dark row under it. Pure: any thread.
std::string qrBlockText(const QrMatrix& matrix);

}  // namespace korvane
