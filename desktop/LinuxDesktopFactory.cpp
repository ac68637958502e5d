#include "desktop/DesktopFactory.h"

#include "desktop/wayland/WlrootsDesktop.h"
#include "desktop/x11/X11Desktop.h"

namespace korvane {

DesktopChoice detectDesktop() {
    const SessionVariables variables = SessionVariables::fromEnvironment();
    return chooseDesktop(variables,
                         [&] { return missingWlrootsProtocols(variables.waylandDisplay).empty(); });
}

std::unique_ptr<Desktop> makeDesktop(const DesktopChoice& choice) {
    if (choice.desktop == DesktopKind::Wlroots) {
        return std::make_unique<WlrootsDesktop>();
    }
    return std::make_unique<X11Desktop>();
}

}  // namespace korvane
