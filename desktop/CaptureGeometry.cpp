#include "desktop/CaptureGeometry.h"

#include <cfenv>
#include <cmath>

namespace korvane {

int captureDelayMs(std::int32_t pintTime) {
    switch (pintTime) {
        case 1:
            return 200;
        case 2:
            return 300;
        case 3:
            return 1000;
        case 4:
            return 3000;
        case 5:
            return 5000;
        default:
            return 100;
    }
}

CaptureRect centredCaptureRect(std::int64_t caretX, std::int64_t caretY) {
    return CaptureRect{caretX - 160, caretY - 120, 320, 240};
}

double ratioCaptureHeight(std::int32_t pintWidth, std::int32_t pintHeight) {
    const double ratio = static_cast<double>(pintHeight) / static_cast<double>(pintWidth);
    // The rounding mode decides how an exact half goes; make it the even neighbour whatever
    // the thread was left with.
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double height = std::nearbyint(320.0 * ratio);
    std::fesetround(mode);
    return height;
}

bool ratioCaptureRect(std::int64_t caretX, std::int64_t caretY, std::int32_t pintWidth,
                      std::int32_t pintHeight, CaptureRect& rect, std::string& error) {
    if (pintWidth == 0) {
        error = pintHeight == 0 ? "不正な浮動小数点数演算命令" : "0 による浮動小数点数除算";
        return false;
    }
    const double height = ratioCaptureHeight(pintWidth, pintHeight);
    if (height <= 0) {
        error = "キャプチャの高さが 0 以下になります。(幅 " + std::to_string(pintWidth) +
                ", 高さ " + std::to_string(pintHeight) + ")";
        return false;
    }
    if (height > kMaxCaptureHeight) {
        error =
            "キャプチャ画像を確保できません。(320 x " + std::to_string(std::llround(height)) + ")";
        return false;
    }
    rect = CaptureRect{caretX - 100, caretY - 200, 320, static_cast<int>(height)};
    return true;
}

}  // namespace korvane
