#include "desktop/PlatformDesktop.h"

#include "desktop/win32/Win32Desktop.h"

namespace korvane {

std::unique_ptr<Desktop> makePlatformDesktop() {
    return std::make_unique<Win32Desktop>();
}

}  // namespace korvane
