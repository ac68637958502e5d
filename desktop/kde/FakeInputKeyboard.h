#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "desktop/DesktopError.h"
#include "desktop/kde/EvdevKeys.h"
#include "desktop/wayland/WaylandSession.h"

struct org_kde_kwin_fake_input;
struct wl_registry;

namespace korvane::kde {

// Keys pressed through KWin's fake input (org_kde_kwin_fake_input, version 4 for keys), on one
// connection of its own. KWin offers that interface only to a program whose desktop file (the
// first whose absolute Exec= is this program's file) lists it in X-KDE-Wayland-Interfaces; to
// any other it is missing and every key fails. Keys are Linux event codes, which KWin reads
// through its own keyboard layout.
//
// Not thread-safe: the owner calls one at a time. The connection is made on construction; once
// it failed (`failure`) the owner makes a new object.
class FakeInputKeyboard {
  public:
    // An empty name means WAYLAND_DISPLAY.
    explicit FakeInputKeyboard(const std::string& displayName);
    ~FakeInputKeyboard();
    FakeInputKeyboard(const FakeInputKeyboard&) = delete;
    FakeInputKeyboard& operator=(const FakeInputKeyboard&) = delete;

    // Why no key can be pressed (no compositor, no fake input for this program, connection
    // lost); nothing while keys can be.
    std::optional<std::string> failure();

    // Presses and releases the key of event code `code`. Returns once KWin has handled it; a
    // Keys error with the reason otherwise (the same for the calls below).
    DesktopError press(std::uint32_t code);
    // Control held around V.
    DesktopError pressControlV();
    // The strokes in order, Shift held around the shifted ones, `keyDelay` between two.
    DesktopError type(const std::vector<EvdevStroke>& strokes, std::chrono::milliseconds keyDelay);

  private:
    static void handleGlobal(void* data, wl_registry* registry, std::uint32_t name,
                             const char* interface, std::uint32_t version);
    // Sends `keys` (down and up events) on the session's thread and waits for KWin to handle them.
    DesktopError send(const std::vector<std::pair<std::uint32_t, bool>>& events,
                      std::chrono::milliseconds keyDelay = {});

    wayland::WaylandSession mSession;
    wl_registry* mRegistry = nullptr;
    org_kde_kwin_fake_input* mFakeInput = nullptr;
};

}  // namespace korvane::kde
