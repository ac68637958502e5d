#include "desktop/x11/X11Desktop.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

#include "desktop/CaptureGeometry.h"
#include "desktop/atspi/AtspiCaret.h"
#include "desktop/dbus/SessionLockWatch.h"
#include "desktop/x11/XClientPing.h"
#include "desktop/x11/XClipboardOwner.h"
#include "desktop/x11/XConnection.h"
#include "desktop/x11/XFocus.h"
#include "desktop/x11/XKeys.h"
#include "desktop/x11/XScreenGrab.h"
#include "desktop/x11/XTyping.h"

namespace korvane {
namespace {

// The caret is wanted quickly or not at all: an accessibility bus that is slow to answer must
// not hold up the barcode.
constexpr auto kCaretBudget = std::chrono::milliseconds(250);
// How long a client may take to handle the keys typed on the spare keys before they are given
// other characters; a client that takes longer is not asked again during that text.
constexpr auto kClientAnswer = std::chrono::seconds(1);

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

class X11Desktop::Impl {
  public:
    explicit Impl(const std::string& displayName)
        : mDisplayName(displayName), mClipboard(displayName) {}

    DesktopResult<FocusedWindow> focusedWindow();
    x11::XClipboardOwner& clipboard() { return mClipboard; }
    DesktopError pasteReady();
    DesktopError pressControlV();
    DesktopError type(const std::string& text, std::chrono::milliseconds keyDelay);
    DesktopError pressKey(VirtualKey key);
    DesktopResult<ScreenPoint> clientToScreen(WindowHandle window, Point point);
    void grab(const CaptureRect& rect, RgbImage& image);

    // Outside mLock: reading it never waits.
    dbus::SessionLockWatch lockWatch;

  private:
    // The connection, opened if needed; an Unavailable error when the server cannot be reached.
    DesktopResult<Display*> connection();
    // An Unavailable error when keys cannot be synthesized.
    DesktopResult<Display*> keyboard();
    // An error of `kind` with the reason when the server went away during the last calls.
    DesktopError lost(DesktopError::Kind kind) const;
    // The paste keys of the active layout; a Keys error when it lacks one.
    DesktopResult<std::pair<KeyCode, KeyCode>> controlAndV(Display* display);
    // Whether the focused client has handled the keys sent so far, asked on the ping connection
    // (made again when lost); false when it could not be told.
    bool keysHandled();

    const std::string mDisplayName;
    std::mutex mLock;
    std::unique_ptr<x11::XConnection> mConnection;
    // Goes with its connection; declared after it, so it ends first.
    std::unique_ptr<x11::XScreenGrab> mScreenGrab;
    bool mHasXTest = false;
    std::unique_ptr<x11::XClientPing> mPing;
    x11::XClipboardOwner mClipboard;
};

DesktopResult<Display*> X11Desktop::Impl::connection() {
    if (!mConnection || mConnection->lost()) {
        mScreenGrab.reset();
        mConnection = std::make_unique<x11::XConnection>(mDisplayName);
        if (mConnection->display() == nullptr) {
            DesktopError failed(DesktopError::Kind::Unavailable, mConnection->failure());
            mConnection.reset();
            return failed;
        }
        mHasXTest = x11::hasXTest(mConnection->display());
        mScreenGrab = std::make_unique<x11::XScreenGrab>(mConnection->display());
    }
    return mConnection->display();
}

DesktopResult<Display*> X11Desktop::Impl::keyboard() {
    DesktopResult<Display*> display = connection();
    if (display && !mHasXTest) {
        return DesktopError(DesktopError::Kind::Unavailable,
                            "X サーバーに XTEST 拡張がないため、キー入力を送れません。");
    }
    return display;
}

DesktopError X11Desktop::Impl::lost(DesktopError::Kind kind) const {
    if (mConnection && mConnection->lost()) {
        return DesktopError(kind, mConnection->failure());
    }
    return {};
}

DesktopResult<std::pair<KeyCode, KeyCode>> X11Desktop::Impl::controlAndV(Display* display) {
    const KeyCode control = x11::keyFor(display, XK_Control_L);
    const KeyCode v = x11::keyFor(display, XK_v);
    if (control == 0 || v == 0) {
        return DesktopError(DesktopError::Kind::Keys,
                            "キーボード配列に Control キーまたは V キーがありません。");
    }
    return std::pair{control, v};
}

DesktopResult<FocusedWindow> X11Desktop::Impl::focusedWindow() {
    std::lock_guard lock(mLock);
    DesktopResult<Display*> reached = connection();
    if (!reached) {
        return reached.error();
    }
    Display* display = *reached;
    const Window window = x11::keyboardWindow(display);
    if (window == None) {
        if (DesktopError gone = lost(DesktopError::Kind::NoFocus)) {
            return gone;
        }
        return DesktopError(DesktopError::Kind::NoFocus, "");
    }
    const pid_t pid = x11::windowProcess(display, window);
    if (pid == ::getpid()) {
        return DesktopError(DesktopError::Kind::OwnWindow,
                            "本プログラムがアクティブになっています。");
    }
    FocusedWindow focused{window, std::nullopt, x11::windowClass(display, window)};
    std::int64_t originX = 0;
    std::int64_t originY = 0;
    if (pid != 0) {
        if (std::optional<ScreenPoint> caret = atspi::atspiCaretOf(pid, kCaretBudget);
            caret && x11::windowOrigin(display, window, originX, originY)) {
            focused.caret =
                Point{clampToInt32(caret->x - originX), clampToInt32(caret->y - originY)};
        }
    }
    return focused;
}

DesktopError X11Desktop::Impl::pasteReady() {
    std::lock_guard lock(mLock);
    DesktopResult<Display*> display = keyboard();
    if (!display) {
        return display.error();
    }
    DesktopResult<std::pair<KeyCode, KeyCode>> keys = controlAndV(*display);
    return keys ? DesktopError() : keys.error();
}

DesktopError X11Desktop::Impl::pressControlV() {
    std::lock_guard lock(mLock);
    DesktopResult<Display*> display = keyboard();
    if (!display) {
        return DesktopError(DesktopError::Kind::Keys, display.error().message());
    }
    DesktopResult<std::pair<KeyCode, KeyCode>> keys = controlAndV(*display);
    if (!keys) {
        return keys.error();
    }
    if (DesktopError refused = x11::tapKey(*display, keys->second, keys->first)) {
        return refused;
    }
    return lost(DesktopError::Kind::Keys);
}

DesktopError X11Desktop::Impl::type(const std::string& text, std::chrono::milliseconds keyDelay) {
    std::lock_guard lock(mLock);
    DesktopResult<Display*> display = keyboard();
    if (!display) {
        return display.error();
    }
    bool answers = true;
    const x11::KeysHandled handled = [&] { return answers && (answers = keysHandled()); };
    if (DesktopError refused = x11::typeText(*display, text, keyDelay, handled)) {
        return refused;
    }
    return lost(DesktopError::Kind::Keys);
}

bool X11Desktop::Impl::keysHandled() {
    if (!mPing || mPing->lost()) {
        mPing = std::make_unique<x11::XClientPing>(mDisplayName);
    }
    return mPing->handledAll(kClientAnswer);
}

DesktopError X11Desktop::Impl::pressKey(VirtualKey key) {
    std::lock_guard lock(mLock);
    DesktopResult<Display*> display = keyboard();
    if (!display) {
        return display.error();
    }
    const KeyCode code = x11::keyFor(*display, x11::keysymFor(key));
    if (code == 0) {
        return DesktopError(DesktopError::Kind::Keys, "キーボード配列にキー (仮想キー " +
                                                          std::to_string(static_cast<int>(key)) +
                                                          ") がありません。");
    }
    if (DesktopError refused = x11::tapKey(*display, code, 0)) {
        return refused;
    }
    return lost(DesktopError::Kind::Keys);
}

DesktopResult<ScreenPoint> X11Desktop::Impl::clientToScreen(WindowHandle window, Point point) {
    std::lock_guard lock(mLock);
    DesktopResult<Display*> display = connection();
    if (!display) {
        return display.error();
    }
    std::int64_t originX = 0;
    std::int64_t originY = 0;
    if (window > std::numeric_limits<std::uint32_t>::max() ||
        !x11::windowOrigin(*display, static_cast<Window>(window), originX, originY)) {
        if (DesktopError gone = lost(DesktopError::Kind::Unavailable)) {
            return gone;
        }
        return DesktopError(DesktopError::Kind::WindowGone, "[ClientToScreen]が失敗しました。");
    }
    return ScreenPoint{originX + point.x, originY + point.y};
}

void X11Desktop::Impl::grab(const CaptureRect& rect, RgbImage& image) {
    std::lock_guard lock(mLock);
    if (connection()) {
        mScreenGrab->grab(rect, image.pixels);
    }
}

X11Desktop::X11Desktop(const std::string& displayName)
    : mImpl(std::make_unique<Impl>(displayName)) {
    atspi::startAtspi();
}

X11Desktop::~X11Desktop() = default;

bool X11Desktop::sessionLocked() {
    return mImpl->lockWatch.locked();
}

DesktopResult<FocusedWindow> X11Desktop::focusedWindow() {
    return mImpl->focusedWindow();
}

ClipboardOwner& X11Desktop::clipboard() {
    return mImpl->clipboard();
}

DesktopError X11Desktop::pasteReady() {
    return mImpl->pasteReady();
}

DesktopError X11Desktop::pressControlV() {
    return mImpl->pressControlV();
}

DesktopError X11Desktop::typeText(WindowHandle, const std::string& text,
                                  std::chrono::milliseconds keyDelay) {
    return mImpl->type(text, keyDelay);
}

DesktopError X11Desktop::pressKey(WindowHandle, VirtualKey key) {
    return mImpl->pressKey(key);
}

DesktopResult<ScreenPoint> X11Desktop::clientToScreen(WindowHandle window, Point point) {
    return mImpl->clientToScreen(window, point);
}

void X11Desktop::grabScreen(const CaptureRect& rect, RgbImage& image) {
    mImpl->grab(rect, image);
}

}  // namespace korvane
