#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// The pause, in milliseconds, that the phone's delay code asks for before a capture.
int captureDelayMs(std::int32_t pintTime);

// A capture rectangle in screen coordinates. 64-bit so that a caret far off screen cannot wrap.
struct CaptureRect {
    std::int64_t left = 0;
    std::int64_t top = 0;
    int width = 0;
    int height = 0;
};

// The tallest picture a capture makes. No screen reaches beyond this coordinate range, and a
// taller request would only ask for gigabytes of black.
inline constexpr int kMaxCaptureHeight = 32767;

// 320 x 240 centred on the caret (screen coordinates).
CaptureRect centredCaptureRect(std::int64_t caretX, std::int64_t caretY);

// 320 wide, the height in the ratio pintHeight / pintWidth, the caret at (100, 200) inside.
// False with the reason when the ratio cannot be formed or gives no usable height.
bool ratioCaptureRect(std::int64_t caretX, std::int64_t caretY, std::int32_t pintWidth,
                      std::int32_t pintHeight, CaptureRect& rect, std::string& error);

// 320 x ratio rounded to the nearest integer, an exact half to the even neighbour.
// Only meaningful for a nonzero width.
double ratioCaptureHeight(std::int32_t pintWidth, std::int32_t pintHeight);

}  // namespace korvane
