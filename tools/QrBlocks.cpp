#include "tools/QrBlocks.h"

namespace korvane {

std::string qrBlockText(const QrMatrix& matrix) {
    std::string text;
    for (int y = 0; y < matrix.size; y += 2) {
        for (int x = 0; x < matrix.size; ++x) {
            const bool upperLight = !matrix.isDark(x, y);
            const bool lowerLight = y + 1 < matrix.size && !matrix.isDark(x, y + 1);
            if (upperLight && lowerLight) {
                text += "\u2588";
            } else if (upperLight) {
                text += "\u2580";
            } else if (lowerLight) {
                text += "\u2584";
            } else {
                text += ' ';
            }
        }
        text += '\n';
    }
    return text;
}

}  // namespace korvane
