#include "desktop/DesktopFactory.h"

#include "desktop/kde/KwinDesktop.h"
#include "desktop/wayland/WlrootsDesktop.h"
#include "desktop/x11/X11Desktop.h"

namespace korvane {

DesktopChoice detectDesktop() {
    const SessionVariables variables = SessionVariables::fromEnvironment();
    return chooseDesktop(variables, [&] {
        if (missingWlrootsProtocols(variables.waylandDisplay).empty()) {
            return WaylandCompositor::Wlroots;
        }
        return isKwinCompositor(variables.waylandDisplay) ? WaylandCompositor::Kwin
                                                          : WaylandCompositor::Other;
    });
}

std::unique_ptr<Desktop> makeDesktop(const DesktopChoice& choice) {
    if (choice.desktop == DesktopKind::Wlroots) {
        return std::make_unique<WlrootsDesktop>();
    }
    if (choice.desktop == DesktopKind::Kwin) {
        return std::make_unique<KwinDesktop>();
    }
    return std::make_unique<X11Desktop>();
}

}  // namespace korvane
