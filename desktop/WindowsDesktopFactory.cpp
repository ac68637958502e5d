// The desktop factory of the Windows build: a Windows session has one kind of desktop.
#include "desktop/DesktopFactory.h"

#include "desktop/win32/Win32Desktop.h"

namespace korvane {

DesktopChoice detectDesktop() {
    DesktopChoice choice;
    choice.desktop = DesktopKind::Win32;
    choice.name = "Win32";
    return choice;
}

std::unique_ptr<Desktop> makeDesktop(const DesktopChoice&) {
    return std::make_unique<Win32Desktop>();
}

}  // namespace korvane
