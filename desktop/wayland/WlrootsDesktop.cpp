#include "desktop/wayland/WlrootsDesktop.h"

#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>

#include "desktop/atspi/AtspiCaret.h"
#include "desktop/wayland/SwayIpc.h"
#include "desktop/wayland/TextKeysyms.h"
#include "desktop/wayland/WlrootsConnection.h"
#include "desktop/x11/X11Desktop.h"
#include "platform/Trace.h"
#include "protocols/virtual-keyboard-unstable-v1-client-protocol.h"
#include "protocols/wlr-data-control-unstable-v1-client-protocol.h"
#include "protocols/wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"
#include "protocols/wlr-screencopy-unstable-v1-client-protocol.h"

namespace korvane {

namespace {

using namespace std::chrono_literals;
using wayland::SwayWindow;
using wayland::ToplevelView;
using wayland::WlrootsConnection;

constexpr auto kCaretBudget = 250ms;
constexpr auto kIpcBudget = 250ms;

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

DesktopError ownWindow() {
    return DesktopError(DesktopError::Kind::OwnWindow, "本プログラムがアクティブになっています。");
}

// The window sway's IPC lists for a toplevel: the same app id (for an X11 window its class) and
// title, the focused one first when several match. None without sway's IPC.
std::optional<SwayWindow> swayWindowOf(const std::string& swaySocket, const ToplevelView& view) {
    std::optional<std::vector<SwayWindow>> windows =
        wayland::askSwayWindows(swaySocket, kIpcBudget);
    if (!windows) {
        return std::nullopt;
    }
    std::optional<SwayWindow> found;
    for (const SwayWindow& window : *windows) {
        if (window.toplevelAppId() == view.appId && window.title == view.title &&
            (!found || window.focused)) {
            found = window;
        }
    }
    return found;
}

}  // namespace

WlrootsDesktop::WlrootsDesktop(const std::string& displayName, std::vector<std::string> ownAppIds)
    : mDisplayName(displayName), mOwnAppIds(std::move(ownAppIds)), mClipboard(mDisplayName) {
    if (mOwnAppIds.empty()) {
        std::error_code ignored;
        const auto program = std::filesystem::read_symlink("/proc/self/exe", ignored);
        if (!program.empty()) {
            mOwnAppIds.push_back(program.filename().string());
        }
    }
    const char* sway = std::getenv("SWAYSOCK");
    mSwaySocket = sway ? sway : "";
    atspi::startAtspi();
}

bool WlrootsDesktop::sessionLocked() {
    return mLockWatch.locked();
}

WlrootsDesktop::~WlrootsDesktop() = default;

DesktopResult<WlrootsConnection*> WlrootsDesktop::connection() {
    if (!mConnection || mConnection->session().failure()) {
        mConnection = std::make_unique<WlrootsConnection>(mDisplayName);
        if (std::optional<std::string> reason = mConnection->session().failure()) {
            mConnection.reset();
            return DesktopError(DesktopError::Kind::Unavailable, *reason);
        }
    }
    return mConnection.get();
}

DesktopResult<FocusedWindow> WlrootsDesktop::focusedWindow() {
    std::lock_guard lock(mLock);
    DesktopResult<WlrootsConnection*> reached = connection();
    if (!reached) {
        return reached.error();
    }
    WlrootsConnection* live = *reached;
    std::optional<std::pair<WindowHandle, ToplevelView>> active;
    // The compositor's latest word on the activated window, not what was read before.
    const bool asked = live->session().run([&] {
        if (live->session().sync()) {
            active = live->toplevels().activated();
        }
    });
    if (!asked) {
        return DesktopError(DesktopError::Kind::NoFocus, live->session().failure().value_or(""));
    }
    if (!active) {
        return DesktopError(DesktopError::Kind::NoFocus, "");
    }
    const ToplevelView& view = active->second;
    if (std::find(mOwnAppIds.begin(), mOwnAppIds.end(), view.appId) != mOwnAppIds.end()) {
        return ownWindow();
    }
    FocusedWindow focused{active->first, std::nullopt, view.appId};
    if (std::optional<SwayWindow> window = swayWindowOf(mSwaySocket, view)) {
        if (window->pid == ::getpid()) {
            return ownWindow();
        }
        // A Wayland client does not know where its window is: its "screen" is its window. An X11
        // client under XWayland gives true screen coordinates.
        if (std::optional<ScreenPoint> caret =
                atspi::atspiCaretOf(static_cast<pid_t>(window->pid), kCaretBudget)) {
            const std::int64_t x = window->isX11() ? caret->x - window->x : caret->x;
            const std::int64_t y = window->isX11() ? caret->y - window->y : caret->y;
            focused.caret = Point{clampToInt32(x), clampToInt32(y)};
        }
    }
    return focused;
}

ClipboardOwner& WlrootsDesktop::clipboard() {
    return mClipboard;
}

DesktopError WlrootsDesktop::pasteReady() {
    std::lock_guard lock(mLock);
    DesktopResult<WlrootsConnection*> live = connection();
    return live ? DesktopError() : live.error();
}

DesktopError WlrootsDesktop::pressControlV() {
    return sendKeys([](wayland::VirtualKeyboard& keyboard) { return keyboard.pressControlV(); });
}

DesktopError WlrootsDesktop::typeText(WindowHandle window, const std::string& text,
                                      std::chrono::milliseconds keyDelay) {
    if (X11Desktop* xwayland = xwaylandDesktopFor(window)) {
        return xwayland->typeText(window, text, keyDelay);
    }
    const std::vector<std::uint32_t> keysyms = wayland::textKeysyms(text);
    return sendKeys(
        [&](wayland::VirtualKeyboard& keyboard) { return keyboard.type(keysyms, keyDelay); });
}

// Through the same road as typed keys, so that Enter never overtakes them.
DesktopError WlrootsDesktop::pressSuffixKey(WindowHandle window, const std::string& code) {
    if (X11Desktop* xwayland = xwaylandDesktopFor(window)) {
        return xwayland->pressSuffixKey(window, code);
    }
    return NativeDesktop::pressSuffixKey(window, code);
}

DesktopError WlrootsDesktop::pressPrefixKey(WindowHandle window, const std::string& code) {
    if (X11Desktop* xwayland = xwaylandDesktopFor(window)) {
        return xwayland->pressPrefixKey(window, code);
    }
    return NativeDesktop::pressPrefixKey(window, code);
}

X11Desktop* WlrootsDesktop::xwaylandDesktopFor(WindowHandle window) {
    std::lock_guard lock(mLock);
    const char* display = std::getenv("DISPLAY");
    DesktopResult<WlrootsConnection*> reached = connection();
    if (display == nullptr || *display == '\0' || !reached) {
        return nullptr;
    }
    WlrootsConnection* live = *reached;
    std::optional<ToplevelView> view;
    live->session().run([&] { view = live->toplevels().find(window); });
    if (!view) {
        return nullptr;
    }
    const std::optional<SwayWindow> placed = swayWindowOf(mSwaySocket, *view);
    if (!placed || !placed->isX11()) {
        return nullptr;
    }
    if (!mXWayland) {
        mXWayland = std::make_unique<X11Desktop>(display);
    }
    return mXWayland.get();
}

DesktopError WlrootsDesktop::pressKey(WindowHandle, VirtualKey key) {
    return sendKeys([key](wayland::VirtualKeyboard& keyboard) { return keyboard.press(key); });
}

DesktopError WlrootsDesktop::sendKeys(
    const std::function<DesktopError(wayland::VirtualKeyboard&)>& keys) {
    std::lock_guard lock(mLock);
    DesktopResult<WlrootsConnection*> reached = connection();
    if (!reached) {
        return reached.error();
    }
    WlrootsConnection* live = *reached;
    DesktopError failed;
    const bool ran = live->session().run([&] { failed = keys(live->keyboard()); });
    // A keymap that could not be made says so; keys that went unanswered are told by the reason
    // the connection ended, if it did.
    if (ran && failed.kind() != DesktopError::Kind::Unavailable) {
        return failed;
    }
    return DesktopError(DesktopError::Kind::Keys,
                        live->session().failure().value_or(wayland::VirtualKeyboard::kNoAnswer));
}

DesktopResult<ScreenPoint> WlrootsDesktop::clientToScreen(WindowHandle window, Point point) {
    std::lock_guard lock(mLock);
    DesktopResult<WlrootsConnection*> reached = connection();
    if (!reached) {
        return reached.error();
    }
    WlrootsConnection* live = *reached;
    std::optional<ToplevelView> view;
    std::optional<wayland::Output> fallback;
    const bool asked = live->session().run([&] {
        if (live->session().sync()) {
            view = live->toplevels().find(window);
            fallback = live->outputs().first();
        }
    });
    if (!asked) {
        return DesktopError(DesktopError::Kind::Unavailable,
                            live->session().failure().value_or(""));
    }
    if (!view) {
        return DesktopError(DesktopError::Kind::WindowGone, "[ClientToScreen]が失敗しました。");
    }
    if (std::optional<SwayWindow> placed = swayWindowOf(mSwaySocket, *view)) {
        return ScreenPoint{placed->x + point.x, placed->y + point.y};
    }
    const std::optional<wayland::Output> output = view->output ? view->output : fallback;
    traceOutput("Wayland: the compositor does not tell where the window \"" + view->title +
                "\" lies; the capture is centred on its output.");
    if (!output) {
        return ScreenPoint{0, 0};
    }
    return ScreenPoint{output->x + output->width / 2, output->y + output->height / 2};
}

void WlrootsDesktop::grabScreen(const CaptureRect& rect, RgbImage& image) {
    std::lock_guard lock(mLock);
    if (DesktopResult<WlrootsConnection*> live = connection()) {
        WlrootsConnection* reached = *live;
        reached->session().run([&] { reached->copier().grab(reached->outputs(), rect, image); });
    }
}

std::vector<std::string> missingWlrootsProtocols(const std::string& displayName) {
    wl_display* display = wl_display_connect(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) {
        return {"Wayland display"};
    }
    std::set<std::string> offered;
    wl_registry* registry = wl_display_get_registry(display);
    static constexpr wl_registry_listener kListener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            static_cast<std::set<std::string>*>(data)->insert(interface);
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(registry, &kListener, &offered);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    if (!answered) {
        return {"Wayland display"};
    }
    std::vector<std::string> missing;
    for (const wl_interface* needed :
         {&zwp_virtual_keyboard_manager_v1_interface, &zwlr_data_control_manager_v1_interface,
          &zwlr_foreign_toplevel_manager_v1_interface, &zwlr_screencopy_manager_v1_interface}) {
        if (offered.count(needed->name) == 0) {
            missing.push_back(needed->name);
        }
    }
    return missing;
}

}  // namespace korvane
