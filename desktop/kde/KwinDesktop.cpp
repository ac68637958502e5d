#include "desktop/kde/KwinDesktop.h"

#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>

#include "desktop/atspi/AtspiCaret.h"
#include "desktop/kde/EvdevKeys.h"
#include "desktop/kde/FakeInputKeyboard.h"
#include "desktop/kde/KwinScreenShot.h"
#include "desktop/kde/KwinWindow.h"
#include "platform/Trace.h"

namespace korvane {

namespace {

using namespace std::chrono_literals;

// KWin answers a script within milliseconds; loading and unloading it are two more round trips.
constexpr auto kScriptBudget = 500ms;
constexpr auto kCaretBudget = 250ms;
constexpr std::size_t kKeptHandles = 64;

const char* const kNoKwin = "KWin が応答しません。";
// KWin looks up the desktop file of every new client connection (about 180 ms here, more with
// many applications installed), and reading the clipboard makes one.
constexpr auto kClipboardReadBudget = 1000ms;

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

KwinDesktop::KwinDesktop(const std::string& displayName, std::vector<std::string> ownAppIds)
    : mDisplayName(displayName),
      mOwnAppIds(std::move(ownAppIds)),
      mClipboard(mDisplayName, kClipboardReadBudget) {
    if (mOwnAppIds.empty()) {
        std::error_code ignored;
        const auto program = std::filesystem::read_symlink("/proc/self/exe", ignored);
        if (!program.empty()) {
            mOwnAppIds.push_back(program.filename().string());
        }
    }
    atspi::startAtspi();
}

KwinDesktop::~KwinDesktop() = default;

bool KwinDesktop::sessionLocked() {
    return mLockWatch.locked();
}

DesktopResult<FocusedWindow> KwinDesktop::focusedWindow() {
    std::lock_guard lock(mLock);
    std::optional<kde::KwinWindowAnswer> answer = kde::askKwinWindow(mBus, "", kScriptBudget);
    if (!answer) {
        return DesktopError(DesktopError::Kind::NoFocus,
                            mBus.failure().empty() ? kNoKwin : mBus.failure());
    }
    if (!answer->window) {
        return DesktopError(DesktopError::Kind::NoFocus, "");
    }
    const kde::KwinWindow& window = *answer->window;
    if (window.pid == ::getpid() ||
        std::find(mOwnAppIds.begin(), mOwnAppIds.end(), window.resourceClass) != mOwnAppIds.end()) {
        return DesktopError(DesktopError::Kind::OwnWindow,
                            "本プログラムがアクティブになっています。");
    }
    FocusedWindow focused{++mLastHandle, std::nullopt, window.resourceClass};
    mWindowIds[focused.window] = window.id;
    if (mWindowIds.size() > kKeptHandles) {
        mWindowIds.erase(mWindowIds.begin());
    }
    // A Wayland client does not know where its window is: its "screen" is its window.
    if (std::optional<ScreenPoint> caret =
            atspi::atspiCaretOf(static_cast<pid_t>(window.pid), kCaretBudget)) {
        focused.caret = Point{clampToInt32(caret->x), clampToInt32(caret->y)};
    }
    return focused;
}

DesktopError KwinDesktop::typeText(WindowHandle window, const std::string& text,
                                   std::chrono::milliseconds keyDelay) {
    for (const kde::TextRun& run : kde::splitForKeys(text)) {
        DesktopError failed;
        if (run.pasted.empty()) {
            failed = sendKeys(
                [&](kde::FakeInputKeyboard& keys) { return keys.type(run.keys, keyDelay); });
        } else {
            failed = pasteText(window, run.pasted);
        }
        if (failed) {
            return failed;
        }
    }
    return {};
}

ClipboardOwner& KwinDesktop::clipboard() {
    return mClipboard;
}

DesktopResult<kde::FakeInputKeyboard*> KwinDesktop::keyboard() {
    if (!mKeyboard || mKeyboard->failure()) {
        mKeyboard = std::make_unique<kde::FakeInputKeyboard>(mDisplayName);
        if (std::optional<std::string> reason = mKeyboard->failure()) {
            mKeyboard.reset();
            return DesktopError(DesktopError::Kind::Keys, *reason);
        }
    }
    return mKeyboard.get();
}

DesktopError KwinDesktop::pasteReady() {
    std::lock_guard lock(mLock);
    DesktopResult<kde::FakeInputKeyboard*> keys = keyboard();
    return keys ? DesktopError() : keys.error();
}

DesktopError KwinDesktop::pressControlV() {
    return sendKeys([](kde::FakeInputKeyboard& keys) { return keys.pressControlV(); });
}

DesktopError KwinDesktop::pressKey(WindowHandle, VirtualKey key) {
    return sendKeys(
        [key](kde::FakeInputKeyboard& keys) { return keys.press(kde::evdevCodeOf(key)); });
}

DesktopError KwinDesktop::sendKeys(
    const std::function<DesktopError(kde::FakeInputKeyboard&)>& keys) {
    std::lock_guard lock(mLock);
    DesktopResult<kde::FakeInputKeyboard*> reached = keyboard();
    return reached ? keys(**reached) : reached.error();
}

DesktopResult<ScreenPoint> KwinDesktop::clientToScreen(WindowHandle window, Point point) {
    std::lock_guard lock(mLock);
    const auto known = mWindowIds.find(window);
    if (known == mWindowIds.end()) {
        return DesktopError(DesktopError::Kind::WindowGone, "[ClientToScreen]が失敗しました。");
    }
    std::optional<kde::KwinWindowAnswer> answer =
        kde::askKwinWindow(mBus, known->second, kScriptBudget);
    if (!answer) {
        return DesktopError(DesktopError::Kind::Unavailable, kNoKwin);
    }
    if (!answer->window) {
        return DesktopError(DesktopError::Kind::WindowGone, "[ClientToScreen]が失敗しました。");
    }
    return ScreenPoint{answer->window->x + point.x, answer->window->y + point.y};
}

void KwinDesktop::grabScreen(const CaptureRect& rect, RgbImage& image) {
    std::lock_guard lock(mLock);
    const std::string failed = kde::captureKwinArea(mBus.connection(), rect, image);
    if (!failed.empty()) {
        traceOutput("KWin: the screen could not be captured: " + failed);
    }
}

bool isKwinCompositor(const std::string& displayName) {
    wl_display* display = wl_display_connect(displayName.empty() ? nullptr : displayName.c_str());
    if (display == nullptr) {
        return false;
    }
    bool kwin = false;
    wl_registry* registry = wl_display_get_registry(display);
    static constexpr wl_registry_listener kListener{
        [](void* data, wl_registry*, std::uint32_t, const char* interface, std::uint32_t) {
            if (std::strcmp(interface, "kde_output_device_v2") == 0) {
                *static_cast<bool*>(data) = true;
            }
        },
        [](void*, wl_registry*, std::uint32_t) {}};
    wl_registry_add_listener(registry, &kListener, &kwin);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return answered && kwin;
}

}  // namespace korvane
