#include "desktop/DesktopChoice.h"

#include <cstdlib>

namespace korvane {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

const char* const kNoticeXWaylandOnly =
    "この Wayland デスクトップには対応していません。キー入力と画面キャプチャは X11 "
    "のアプリケーション"
    " (XWayland) にだけ届き、Wayland のアプリケーションには届きません。";
const char* const kNoticeWaylandNothing =
    "この Wayland デスクトップには対応していません。X11 の画面 (XWayland) もないため、キー入力も"
    "画面キャプチャもできません。";
const char* const kNoticeNoDisplay =
    "画面 (X11 または Wayland) が見つからないため、キー入力も画面キャプチャもできません。";

}  // namespace

SessionVariables SessionVariables::fromEnvironment() {
    return {variable("XDG_SESSION_TYPE"), variable("WAYLAND_DISPLAY"), variable("DISPLAY")};
}

SessionKind sessionKindOf(const SessionVariables& variables) {
    const bool hasX = !variables.display.empty();
    const bool hasWayland = !variables.waylandDisplay.empty() || variables.sessionType == "wayland";
    if (variables.sessionType == "x11" && hasX) {
        return SessionKind::X11;
    }
    if (hasWayland) {
        return hasX ? SessionKind::WaylandWithXWayland : SessionKind::WaylandOnly;
    }
    return hasX ? SessionKind::X11 : SessionKind::NoDisplay;
}

DesktopChoice chooseDesktop(const SessionVariables& variables,
                            const std::function<WaylandCompositor()>& compositor) {
    DesktopChoice choice;
    choice.session = sessionKindOf(variables);
    switch (choice.session) {
        case SessionKind::X11:
            choice.name = "X11";
            return choice;
        case SessionKind::NoDisplay:
            choice.name = "X11";
            choice.notice = kNoticeNoDisplay;
            return choice;
        case SessionKind::WaylandWithXWayland:
        case SessionKind::WaylandOnly:
            break;
    }
    switch (compositor()) {
        case WaylandCompositor::Wlroots:
            choice.desktop = DesktopKind::Wlroots;
            choice.name = "Wayland (wlroots)";
            return choice;
        case WaylandCompositor::Kwin:
            choice.desktop = DesktopKind::Kwin;
            choice.name = "Wayland (KDE Plasma)";
            return choice;
        case WaylandCompositor::Other:
            break;
    }
    choice.name = "X11 (XWayland)";
    choice.notice = choice.session == SessionKind::WaylandWithXWayland ? kNoticeXWaylandOnly
                                                                       : kNoticeWaylandNothing;
    return choice;
}

}  // namespace korvane
