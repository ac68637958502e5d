#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

#include "desktop/CaptureGeometry.h"

namespace korvane::x11 {

// Copies the part of `rect` that lies on the screen into `rgb` (rect.width x rect.height, 8-bit
// RGB, rows top first), which the caller has filled with black: what lies off the screen stays
// black. False when the screen could not be read; `rgb` then holds what it held.
bool grabScreen(Display* display, const CaptureRect& rect, std::vector<std::uint8_t>& rgb);

}  // namespace korvane::x11
