#include "desktop/PlatformDesktop.h"

#include "desktop/x11/X11Desktop.h"

namespace korvane {

std::unique_ptr<Desktop> makePlatformDesktop() {
    return std::make_unique<X11Desktop>();
}

}  // namespace korvane
