#include "desktop/x11/X11Desktop.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "desktop/CaptureGeometry.h"
#include "desktop/atspi/AtspiCaret.h"
#include "desktop/x11/XClipboardOwner.h"
#include "desktop/x11/XClipboardReader.h"
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
constexpr auto kPastePause = std::chrono::milliseconds(100);
constexpr auto kDeliveryBudget = std::chrono::milliseconds(500);
// An owner that cannot say what it holds within this time loses it to the barcode for good.
constexpr auto kClipboardReadBudget = std::chrono::milliseconds(300);

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
    DesktopError paste(const std::string& text, bool restore);
    DesktopError type(const std::string& text, std::chrono::milliseconds keyDelay);
    DesktopError pressKey(VirtualKey key);
    DesktopResult<ScreenPoint> clientToScreen(WindowHandle window, Point point);
    void grab(const CaptureRect& rect, RgbImage& image);

  private:
    // The connection, opened if needed; null with the reason when the server cannot be reached.
    Display* connection(std::string& error);
    // Null with the reason when keys cannot be synthesized.
    Display* keyboard(std::string& error);
    // True with the reason when the server went away during the last calls.
    bool lost(std::string& error) const;

    const std::string mDisplayName;
    std::mutex mLock;
    std::unique_ptr<x11::XConnection> mConnection;
    // Goes with its connection; declared after it, so it ends first.
    std::unique_ptr<x11::XScreenGrab> mScreenGrab;
    bool mHasXTest = false;
    x11::XClipboardOwner mClipboard;
};

Display* X11Desktop::Impl::connection(std::string& error) {
    if (!mConnection || mConnection->lost()) {
        mScreenGrab.reset();
        mConnection = std::make_unique<x11::XConnection>(mDisplayName);
        if (mConnection->display() == nullptr) {
            error = mConnection->failure();
            mConnection.reset();
            return nullptr;
        }
        mHasXTest = x11::hasXTest(mConnection->display());
        mScreenGrab = std::make_unique<x11::XScreenGrab>(mConnection->display());
    }
    return mConnection->display();
}

Display* X11Desktop::Impl::keyboard(std::string& error) {
    Display* display = connection(error);
    if (display != nullptr && !mHasXTest) {
        error = "X サーバーに XTEST 拡張がないため、キー入力を送れません。";
        return nullptr;
    }
    return display;
}

bool X11Desktop::Impl::lost(std::string& error) const {
    if (mConnection && mConnection->lost()) {
        error = mConnection->failure();
        return true;
    }
    return false;
}

DesktopResult<FocusedWindow> X11Desktop::Impl::focusedWindow() {
    std::lock_guard lock(mLock);
    std::string error;
    Display* display = connection(error);
    if (display == nullptr) {
        return DesktopError(DesktopError::Kind::Unavailable, error);
    }
    const Window window = x11::keyboardWindow(display);
    if (window == None) {
        lost(error);
        return DesktopError(DesktopError::Kind::NoFocus, error);
    }
    const pid_t pid = x11::windowProcess(display, window);
    if (pid == ::getpid()) {
        return DesktopError(DesktopError::Kind::OwnWindow,
                            "本プログラムがアクティブになっています。");
    }
    FocusedWindow focused{window, std::nullopt};
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

DesktopError X11Desktop::Impl::paste(const std::string& text, bool restore) {
    std::string error;
    KeyCode control = 0;
    KeyCode v = 0;
    {
        std::lock_guard lock(mLock);
        Display* display = keyboard(error);
        if (display == nullptr) {
            return DesktopError(DesktopError::Kind::Unavailable, error);
        }
        control = x11::keyFor(display, XK_Control_L);
        v = x11::keyFor(display, XK_v);
        if (control == 0 || v == 0) {
            return DesktopError(DesktopError::Kind::Keys,
                                "キーボード配列に Control キーまたは V キーがありません。");
        }
    }
    const std::optional<std::string> previous =
        restore ? x11::readClipboardText(mDisplayName, kClipboardReadBudget) : std::nullopt;
    if (!mClipboard.setText(text, error)) {
        return DesktopError(DesktopError::Kind::Clipboard, error);
    }
    // The target asks the selection owner for the text only once it sees the paste keys; the
    // owner's thread answers while this one waits.
    std::this_thread::sleep_for(kPastePause);
    const std::uint64_t before = mClipboard.deliveries();
    {
        std::lock_guard lock(mLock);
        Display* display = keyboard(error);
        if (display == nullptr || !x11::tapKey(display, v, control, error) || lost(error)) {
            return DesktopError(DesktopError::Kind::Keys, error);
        }
    }
    // An X client may go on to the keys after the paste (Enter, Tab) before the text it asked
    // for has arrived, and would act on a field without it. Returning once the text has been
    // handed over keeps them behind it; a window that does not paste costs the budget.
    mClipboard.waitForDelivery(before, kDeliveryBudget);
    if (previous && !mClipboard.setText(*previous, error)) {
        return DesktopError(DesktopError::Kind::Clipboard, error);
    }
    return {};
}

DesktopError X11Desktop::Impl::type(const std::string& text, std::chrono::milliseconds keyDelay) {
    std::lock_guard lock(mLock);
    std::string error;
    Display* display = keyboard(error);
    if (display == nullptr) {
        return DesktopError(DesktopError::Kind::Unavailable, error);
    }
    if (!x11::typeText(display, text, keyDelay, error) || lost(error)) {
        return DesktopError(DesktopError::Kind::Keys, error);
    }
    return {};
}

DesktopError X11Desktop::Impl::pressKey(VirtualKey key) {
    std::lock_guard lock(mLock);
    std::string error;
    Display* display = keyboard(error);
    if (display == nullptr) {
        return DesktopError(DesktopError::Kind::Unavailable, error);
    }
    const KeyCode code = x11::keyFor(display, x11::keysymFor(key));
    if (code == 0) {
        return DesktopError(DesktopError::Kind::Keys, "キーボード配列にキー (仮想キー " +
                                                          std::to_string(static_cast<int>(key)) +
                                                          ") がありません。");
    }
    if (!x11::tapKey(display, code, 0, error) || lost(error)) {
        return DesktopError(DesktopError::Kind::Keys, error);
    }
    return {};
}

DesktopResult<ScreenPoint> X11Desktop::Impl::clientToScreen(WindowHandle window, Point point) {
    std::lock_guard lock(mLock);
    std::string error;
    Display* display = connection(error);
    if (display == nullptr) {
        return DesktopError(DesktopError::Kind::Unavailable, error);
    }
    std::int64_t originX = 0;
    std::int64_t originY = 0;
    if (window > std::numeric_limits<std::uint32_t>::max() ||
        !x11::windowOrigin(display, static_cast<Window>(window), originX, originY)) {
        if (lost(error)) {
            return DesktopError(DesktopError::Kind::Unavailable, error);
        }
        return DesktopError(DesktopError::Kind::WindowGone, "[ClientToScreen]が失敗しました。");
    }
    return ScreenPoint{originX + point.x, originY + point.y};
}

void X11Desktop::Impl::grab(const CaptureRect& rect, RgbImage& image) {
    std::lock_guard lock(mLock);
    std::string error;
    if (connection(error) != nullptr) {
        mScreenGrab->grab(rect, image.pixels);
    }
}

X11Desktop::X11Desktop(const std::string& displayName)
    : mImpl(std::make_unique<Impl>(displayName)) {
    atspi::startAtspi();
}

X11Desktop::~X11Desktop() = default;

DesktopResult<FocusedWindow> X11Desktop::focusedWindow() {
    return mImpl->focusedWindow();
}

DesktopError X11Desktop::pasteText(WindowHandle, const std::string& text) {
    return mImpl->paste(text, false);
}

DesktopError X11Desktop::pasteTextRestoringClipboard(WindowHandle, const std::string& text) {
    return mImpl->paste(text, true);
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
