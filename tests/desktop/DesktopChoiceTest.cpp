#include "desktop/DesktopChoice.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvane {
namespace {

struct SessionCase {
    const char* sessionType;
    const char* waylandDisplay;
    const char* display;
    SessionKind expected;
};

// Every combination of the three variables: each session type a login manager sets (and "tty" for
// one from a terminal, "" for none), each display variable set or empty.
const SessionCase kSessionCases[] = {
    {"", "", "", SessionKind::NoDisplay},
    {"", "", ":0", SessionKind::X11},
    {"", "wayland-0", "", SessionKind::WaylandOnly},
    {"", "wayland-0", ":0", SessionKind::WaylandWithXWayland},
    {"x11", "", "", SessionKind::NoDisplay},
    {"x11", "", ":0", SessionKind::X11},
    {"x11", "wayland-0", "", SessionKind::WaylandOnly},
    {"x11", "wayland-0", ":0", SessionKind::X11},
    {"wayland", "", "", SessionKind::WaylandOnly},
    {"wayland", "", ":0", SessionKind::WaylandWithXWayland},
    {"wayland", "wayland-0", "", SessionKind::WaylandOnly},
    {"wayland", "wayland-0", ":0", SessionKind::WaylandWithXWayland},
    {"tty", "", "", SessionKind::NoDisplay},
    {"tty", "", ":0", SessionKind::X11},
    {"tty", "wayland-0", "", SessionKind::WaylandOnly},
    {"tty", "wayland-0", ":0", SessionKind::WaylandWithXWayland},
};

TEST(DesktopChoiceTest, EveryCombinationOfTheVariables) {
    for (const SessionCase& c : kSessionCases) {
        SCOPED_TRACE(std::string("XDG_SESSION_TYPE='") + c.sessionType + "' WAYLAND_DISPLAY='" +
                     c.waylandDisplay + "' DISPLAY='" + c.display + "'");
        const SessionVariables variables{c.sessionType, c.waylandDisplay, c.display};
        EXPECT_EQ(sessionKindOf(variables), c.expected);

        for (const WaylandCompositor compositor :
             {WaylandCompositor::Wlroots, WaylandCompositor::Kwin, WaylandCompositor::Other}) {
            SCOPED_TRACE("compositor " + std::to_string(static_cast<int>(compositor)));
            bool asked = false;
            const DesktopChoice choice = chooseDesktop(variables, [&] {
                asked = true;
                return compositor;
            });
            const bool wayland = c.expected == SessionKind::WaylandWithXWayland ||
                                 c.expected == SessionKind::WaylandOnly;
            // The compositor is asked in a Wayland session only: elsewhere there is none to ask.
            EXPECT_EQ(asked, wayland);
            EXPECT_EQ(choice.session, c.expected);
            const bool wlroots = wayland && compositor == WaylandCompositor::Wlroots;
            const bool kwin = wayland && compositor == WaylandCompositor::Kwin;
            EXPECT_EQ(choice.desktop, wlroots ? DesktopKind::Wlroots
                                      : kwin  ? DesktopKind::Kwin
                                              : DesktopKind::X11);
            EXPECT_EQ(choice.name, wlroots   ? "Wayland (wlroots)"
                                   : kwin    ? "Wayland (KDE Plasma)"
                                   : wayland ? "X11 (XWayland)"
                                             : "X11");
            // Silent only when the implementation reaches every program of the session.
            EXPECT_EQ(choice.notice.empty(), wlroots || kwin || c.expected == SessionKind::X11);
        }
    }
}

TEST(DesktopChoiceTest, NoticesTellTheCasesApart) {
    auto noticeFor = [](const char* waylandDisplay, const char* display) {
        return chooseDesktop({"", waylandDisplay, display}, [] { return WaylandCompositor::Other; })
            .notice;
    };
    const std::string xwayland = noticeFor("wayland-0", ":0");
    const std::string waylandOnly = noticeFor("wayland-0", "");
    const std::string none = noticeFor("", "");
    EXPECT_NE(xwayland.find("XWayland"), std::string::npos) << xwayland;
    EXPECT_NE(xwayland, waylandOnly);
    EXPECT_NE(waylandOnly, none);
    EXPECT_NE(xwayland, none);
}

TEST(DesktopChoiceTest, ReadsTheEnvironment) {
    ::setenv("XDG_SESSION_TYPE", "wayland", 1);
    ::setenv("WAYLAND_DISPLAY", "wayland-7", 1);
    ::unsetenv("DISPLAY");
    const SessionVariables variables = SessionVariables::fromEnvironment();
    EXPECT_EQ(variables.sessionType, "wayland");
    EXPECT_EQ(variables.waylandDisplay, "wayland-7");
    EXPECT_EQ(variables.display, "");
}

}  // namespace
}  // namespace korvane
