#pragma once

#include <memory>

#include "desktop/Desktop.h"

namespace korvane {

// The desktop of the session this program runs in: X11 on Linux, Win32 on Windows. Each platform
// library (desktop/x11, desktop/win32) defines it; a program links the one CMake picks.
std::unique_ptr<Desktop> makePlatformDesktop();

}  // namespace korvane
