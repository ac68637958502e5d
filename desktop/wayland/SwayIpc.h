#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::wayland {

// A window as sway's IPC describes it: the process, the Wayland app id (empty for an X11 window),
// the X11 class of a window of an X11 program under XWayland (empty for a Wayland one), the
// title, and where its content (without sway's border and title bar) lies on the screen.
struct SwayWindow {
    std::int64_t pid = 0;
    std::string appId;
    std::string x11Class;
    std::string title;
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool focused = false;

    bool isX11() const { return !x11Class.empty(); }
    // The name the foreign toplevel list gives the window as its app id: the app id, or for an X11
    // window its class.
    const std::string& toplevelAppId() const { return isX11() ? x11Class : appId; }
};

// The windows of sway's layout tree, tiled and floating, in tree order. Nothing when `json` is not
// a tree that sway sends; the Wayland protocols tell neither a window's process nor its place, so
// these come from here.
std::optional<std::vector<SwayWindow>> windowsInTree(const std::string& json);

// Asks the sway at `socketPath` (SWAYSOCK) for its windows. Nothing when there is no such socket
// (another compositor) or no whole answer within `budget`. Any thread; each call its own
// connection.
std::optional<std::vector<SwayWindow>> askSwayWindows(const std::string& socketPath,
                                                      std::chrono::milliseconds budget);

}  // namespace korvane::wayland
