#pragma once

#include <cstdint>

#include "desktop/CaptureShape.h"
#include "desktop/DesktopResult.h"

namespace korvane {

// A point in a window's client coordinates, as the phone's caret is reported.
struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// A point on the screen. 64-bit so that a caret far off screen cannot wrap.
struct ScreenPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
};

// A capture rectangle in screen coordinates.
struct CaptureRect {
    std::int64_t left = 0;
    std::int64_t top = 0;
    int width = 0;
    int height = 0;
};

// The tallest picture a capture makes, as a ratio of height to width: real phones' screens stay
// under 3:1, and a taller request would only show more of the screen than the field scanned into.
inline constexpr int kMaxCaptureRatio = 4;

// The pause, in milliseconds, that the phone's delay code asks for before a capture.
int captureDelayMs(std::int32_t delayCode);

// The rectangle of `shape` around the caret (screen coordinates). A ratio that cannot be formed,
// gives no usable height or is taller than kMaxCaptureRatio is a BadShape error with the reason.
// The rectangle moves with the caret: its size and its errors depend on the shape alone.
DesktopResult<CaptureRect> captureRect(ScreenPoint caret, const CaptureShape& shape);

// 320 x ratio rounded to the nearest integer, an exact half to the even neighbour.
// Only meaningful for a nonzero width.
double ratioCaptureHeight(std::int32_t width, std::int32_t height);

}  // namespace korvane
