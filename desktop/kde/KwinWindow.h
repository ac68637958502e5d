#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace korvane::kde {

class KwinBus;

// A window as KWin's scripting tells it: its id (a UUID, stable for the window's life), its
// process, its resource class (a Wayland program's app id) and its frame on the screen.
struct KwinWindow {
    std::string id;
    std::int64_t pid = 0;
    std::string resourceClass;
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// What a question to KWin came back with: the window, or no such window (none active, or the
// one asked for is gone). Nothing (std::nullopt) from askKwinWindow means KWin did not answer.
struct KwinWindowAnswer {
    std::optional<KwinWindow> window;
};

// Asks KWin for the active window (`id` empty) or the window `id`, through a KWin script loaded
// over D-Bus (org.kde.KWin /Scripting: loadScript, start, unloadScript; no permission needed) that
// answers into `bus`. The script file lives in a private temporary folder for the call. Nothing
// when KWin is not on the bus or the answer took longer than `budget`.
std::optional<KwinWindowAnswer> askKwinWindow(KwinBus& bus, const std::string& id,
                                              std::chrono::milliseconds budget);

// The script's report: "none", or the fields separated by TABs (id, pid, class, x, y, width,
// height). Nothing when it is neither.
std::optional<KwinWindowAnswer> parseWindowReport(const std::string& report);

}  // namespace korvane::kde
