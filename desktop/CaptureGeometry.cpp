#include "desktop/CaptureGeometry.h"

#include <cfenv>
#include <cmath>
#include <string>

namespace korvane {

int captureDelayMs(std::int32_t delayCode) {
    switch (delayCode) {
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

double ratioCaptureHeight(std::int32_t width, std::int32_t height) {
    const double ratio = static_cast<double>(height) / static_cast<double>(width);
    // The rounding mode decides how an exact half goes; make it the even neighbour whatever
    // the thread was left with.
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(320.0 * ratio);
    std::fesetround(mode);
    return rounded;
}

DesktopResult<CaptureRect> captureRect(ScreenPoint caret, const CaptureShape& shape) {
    if (shape.isCentred()) {
        return CaptureRect{caret.x - 160, caret.y - 120, 320, 240};
    }
    const std::int32_t width = shape.ratioWidth();
    const std::int32_t height = shape.ratioHeight();
    if (width == 0) {
        return DesktopError(DesktopError::Kind::BadShape, height == 0 ? "不正な浮動小数点数演算命令"
                                                                      : "0 による浮動小数点数除算");
    }
    const double pictureHeight = ratioCaptureHeight(width, height);
    if (pictureHeight <= 0) {
        return DesktopError(DesktopError::Kind::BadShape,
                            "キャプチャの高さが 0 以下になります。(幅 " + std::to_string(width) +
                                ", 高さ " + std::to_string(height) + ")");
    }
    if (static_cast<double>(height) / static_cast<double>(width) > kMaxCaptureRatio) {
        return DesktopError(DesktopError::Kind::BadShape,
                            "キャプチャの縦横比が " + std::to_string(kMaxCaptureRatio) +
                                ":1 を超えています。(幅 " + std::to_string(width) + ", 高さ " +
                                std::to_string(height) + ")");
    }
    return CaptureRect{caret.x - 100, caret.y - 200, 320, static_cast<int>(pictureHeight)};
}

}  // namespace korvane
