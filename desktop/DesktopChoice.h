#pragma once

#include <functional>
#include <string>

namespace korvane {

// The environment variables that tell which graphical session the program was started in. An
// empty value counts as unset: no library connects to an empty display name.
struct SessionVariables {
    std::string sessionType;     // XDG_SESSION_TYPE
    std::string waylandDisplay;  // WAYLAND_DISPLAY
    std::string display;         // DISPLAY

    // The three as this process sees them now.
    static SessionVariables fromEnvironment();
};

enum class SessionKind {
    // An X server and no Wayland compositor.
    X11,
    // A Wayland compositor with an X server beside it for X11 programs.
    WaylandWithXWayland,
    // A Wayland compositor and no X server.
    WaylandOnly,
    // Neither: no display to type into or capture.
    NoDisplay,
};

enum class DesktopKind {
    // Xlib + XTEST; under Wayland it reaches the X11 programs only.
    X11,
    // The wlroots protocols (sway and its kin): virtual keyboard, data control, foreign toplevels
    // and screencopy.
    Wlroots,
    // KWin's own interfaces (KDE Plasma): fake input, data control, scripts and ScreenShot2 over
    // D-Bus.
    Kwin,
    // The Win32 calls of a Windows session, the only kind there.
    Win32,
};

// Which Wayland compositor runs, as far as the desktop implementations care.
enum class WaylandCompositor {
    // One that offers every wlroots protocol the Wlroots implementation needs (sway and its kin).
    Wlroots,
    // KDE Plasma's KWin.
    Kwin,
    // Any other (GNOME's mutter, say), or none that answers.
    Other,
};

// Which desktop implementation runs, and what the user must be told about it.
struct DesktopChoice {
    SessionKind session = SessionKind::NoDisplay;
    DesktopKind desktop = DesktopKind::X11;
    // The implementation that runs, for the log: "X11", "X11 (XWayland)", "Wayland (wlroots)"
    // or "Wayland (KDE Plasma)".
    std::string name;
    // Plain Japanese for the window when the implementation cannot reach every program of the
    // session; empty when it can.
    std::string notice;
};

// The kind of session the variables describe. XDG_SESSION_TYPE "x11" with a DISPLAY wins over a
// WAYLAND_DISPLAY left over from elsewhere; "wayland" means a Wayland session even without
// WAYLAND_DISPLAY (libwayland then connects to "wayland-0"). Any other session type (a login
// from a terminal says "tty") is judged by the display variables alone.
SessionKind sessionKindOf(const SessionVariables& variables);

// Picks the implementation. `compositor` is asked, in a Wayland session only, which compositor
// runs; for one that is neither wlroots nor KWin (GNOME, say) the X11 implementation serves the
// X11 programs and `notice` says so.
DesktopChoice chooseDesktop(const SessionVariables& variables,
                            const std::function<WaylandCompositor()>& compositor);

}  // namespace korvane
