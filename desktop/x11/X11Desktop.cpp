#include "desktop/x11/X11Desktop.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "desktop/CaptureGeometry.h"
#include "desktop/KeyTables.h"
#include "desktop/PngWriter.h"
#include "desktop/x11/AtspiCaret.h"
#include "desktop/x11/XClipboardOwner.h"
#include "desktop/x11/XConnection.h"
#include "desktop/x11/XFocus.h"
#include "desktop/x11/XKeys.h"
#include "desktop/x11/XScreenGrab.h"

namespace korvane {
namespace {

// The caret is wanted quickly or not at all: an accessibility bus that is slow to answer must
// not hold up the barcode.
constexpr auto kCaretBudget = std::chrono::milliseconds(250);
constexpr auto kPastePause = std::chrono::milliseconds(100);
constexpr auto kDeliveryBudget = std::chrono::milliseconds(500);

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

class TX11Desktop::Impl {
  public:
    explicit Impl(const std::string& displayName)
        : mDisplayName(displayName), mClipboard(displayName) {}

    WindowHandle focusWindow(std::string& error, std::int32_t& caretX, std::int32_t& caretY);
    bool sendBarcode(const std::string& value, std::string& error);
    bool pressVirtualKey(int vk, std::string& error);
    // Pauses, finds the caret on the screen and writes the picture of the rectangle that
    // `place` computes around it.
    template <typename Place>
    bool capture(WindowHandle window, const std::string& path, std::int32_t caretX,
                 std::int32_t caretY, std::int32_t pintTime, Place place, std::string& error);

  private:
    // The connection, opened if needed; null with the reason when the server cannot be reached.
    Display* connection(std::string& error);
    // Null with the reason when keys cannot be synthesized.
    Display* keyboard(std::string& error);
    // True with the reason when the server went away during the last calls.
    bool lost(std::string& error) const;

    const std::string mDisplayName;
    std::mutex mLock;
    std::unique_ptr<x11::TXConnection> mConnection;
    bool mHasXTest = false;
    x11::TXClipboardOwner mClipboard;
};

Display* TX11Desktop::Impl::connection(std::string& error) {
    if (!mConnection || mConnection->lost()) {
        mConnection = std::make_unique<x11::TXConnection>(mDisplayName);
        if (mConnection->display() == nullptr) {
            error = mConnection->failure();
            mConnection.reset();
            return nullptr;
        }
        mHasXTest = x11::hasXTest(mConnection->display());
    }
    return mConnection->display();
}

Display* TX11Desktop::Impl::keyboard(std::string& error) {
    Display* display = connection(error);
    if (display != nullptr && !mHasXTest) {
        error = "X サーバーに XTEST 拡張がないため、キー入力を送れません。";
        return nullptr;
    }
    return display;
}

bool TX11Desktop::Impl::lost(std::string& error) const {
    if (mConnection && mConnection->lost()) {
        error = mConnection->failure();
        return true;
    }
    return false;
}

WindowHandle TX11Desktop::Impl::focusWindow(std::string& error, std::int32_t& caretX,
                                            std::int32_t& caretY) {
    std::lock_guard lock(mLock);
    Display* display = connection(error);
    if (display == nullptr) {
        return 0;
    }
    const Window window = x11::keyboardWindow(display);
    if (window == None) {
        lost(error);
        return 0;
    }
    const pid_t pid = x11::windowProcess(display, window);
    if (pid == ::getpid()) {
        error = "本プログラムがアクティブになっています。";
        return 0;
    }
    std::int64_t originX = 0;
    std::int64_t originY = 0;
    if (pid != 0) {
        if (std::optional<x11::ScreenPoint> caret = x11::atspiCaretOf(pid, kCaretBudget);
            caret && x11::windowOrigin(display, window, originX, originY)) {
            caretX = clampToInt32(caret->x - originX);
            caretY = clampToInt32(caret->y - originY);
        }
    }
    return window;
}

bool TX11Desktop::Impl::sendBarcode(const std::string& value, std::string& error) {
    KeyCode control = 0;
    KeyCode v = 0;
    {
        std::lock_guard lock(mLock);
        Display* display = keyboard(error);
        if (display == nullptr) {
            return false;
        }
        control = x11::keyFor(display, XK_Control_L);
        v = x11::keyFor(display, XK_v);
        if (control == 0 || v == 0) {
            error = "キーボード配列に Control キーまたは V キーがありません。";
            return false;
        }
    }
    if (!mClipboard.setText(value, error)) {
        return false;
    }
    // The target asks the selection owner for the text only once it sees the paste keys; the
    // owner's thread answers while this one waits.
    std::this_thread::sleep_for(kPastePause);
    const std::uint64_t before = mClipboard.deliveries();
    {
        std::lock_guard lock(mLock);
        Display* display = keyboard(error);
        if (display == nullptr || !x11::tapKey(display, v, control, error) || lost(error)) {
            return false;
        }
    }
    // An X client may go on to the keys after the paste (Enter, Tab) before the text it asked
    // for has arrived, and would act on a field without it. Returning once the text has been
    // handed over keeps them behind it; a window that does not paste costs the budget.
    mClipboard.waitForDelivery(before, kDeliveryBudget);
    return true;
}

bool TX11Desktop::Impl::pressVirtualKey(int vk, std::string& error) {
    if (vk == kVkNone) {
        return true;
    }
    std::lock_guard lock(mLock);
    Display* display = keyboard(error);
    if (display == nullptr) {
        return false;
    }
    const KeyCode key = x11::keyFor(display, x11::keysymForVirtualKey(vk));
    if (key == 0) {
        error = "キーボード配列にキー (仮想キー " + std::to_string(vk) + ") がありません。";
        return false;
    }
    return x11::tapKey(display, key, 0, error) && !lost(error);
}

template <typename Place>
bool TX11Desktop::Impl::capture(WindowHandle window, const std::string& path, std::int32_t caretX,
                                std::int32_t caretY, std::int32_t pintTime, Place place,
                                std::string& error) {
    std::this_thread::sleep_for(std::chrono::milliseconds(captureDelayMs(pintTime)));
    CaptureRect rect;
    std::vector<std::uint8_t> rgb;
    {
        std::lock_guard lock(mLock);
        Display* display = connection(error);
        if (display == nullptr) {
            return false;
        }
        // The window is looked up after the pause: it may have moved or closed meanwhile.
        std::int64_t originX = 0;
        std::int64_t originY = 0;
        if (window > std::numeric_limits<std::uint32_t>::max() ||
            !x11::windowOrigin(display, static_cast<Window>(window), originX, originY)) {
            if (!lost(error)) {
                error = "[ClientToScreen]が失敗しました。";
            }
            return false;
        }
        if (!place(originX + caretX, originY + caretY, rect, error)) {
            return false;
        }
        try {
            rgb.assign(
                static_cast<std::size_t>(rect.width) * static_cast<std::size_t>(rect.height) * 3,
                0);
        } catch (const std::bad_alloc&) {
            error = "キャプチャ画像を確保できません。(" + std::to_string(rect.width) + " x " +
                    std::to_string(rect.height) + ")";
            return false;
        }
        // A screen that cannot be read leaves the picture black, and the capture still counts.
        x11::grabScreen(display, rect, rgb);
    }
    return writePngFile(path, rect.width, rect.height, rgb.data(), error);
}

TX11Desktop::TX11Desktop(const std::string& displayName)
    : mImpl(std::make_unique<Impl>(displayName)) {}

TX11Desktop::~TX11Desktop() = default;

WindowHandle TX11Desktop::mdlGetFocusWindow(std::string& pstrError, std::int32_t& pintCaretX,
                                            std::int32_t& pintCaretY) {
    return mImpl->focusWindow(pstrError, pintCaretX, pintCaretY);
}

bool TX11Desktop::mdlSendBarcode(WindowHandle, const std::string& pstrValue,
                                 std::string& pstrError) {
    return mImpl->sendBarcode(pstrValue, pstrError);
}

bool TX11Desktop::mdlSendSuffix(WindowHandle, const std::string& pstrKbn, std::string& pstrError) {
    std::int32_t code = 0;
    return parseKeyCode(pstrKbn, code, pstrError) &&
           mImpl->pressVirtualKey(suffixKey(code), pstrError);
}

bool TX11Desktop::mdlSendPrefix(WindowHandle, const std::string& pstrKbn, std::string& pstrError) {
    std::int32_t code = 0;
    return parseKeyCode(pstrKbn, code, pstrError) &&
           mImpl->pressVirtualKey(prefixKey(code), pstrError);
}

bool TX11Desktop::mdlCaptureScreen(WindowHandle pHandle, const std::string& pstrCaptureFile,
                                   std::int32_t pintCaretX, std::int32_t pintCaretY,
                                   std::int32_t pintTime, std::string& pstrError) {
    auto place = [](std::int64_t x, std::int64_t y, CaptureRect& rect, std::string&) {
        rect = centredCaptureRect(x, y);
        return true;
    };
    return mImpl->capture(pHandle, pstrCaptureFile, pintCaretX, pintCaretY, pintTime, place,
                          pstrError);
}

bool TX11Desktop::mdlCaptureScreen2(WindowHandle pHandle, const std::string& pstrCaptureFile,
                                    std::int32_t pintCaretX, std::int32_t pintCaretY,
                                    std::int32_t pintTime, std::int32_t pintWidth,
                                    std::int32_t pintHeight, std::string& pstrError) {
    auto place = [&](std::int64_t x, std::int64_t y, CaptureRect& rect, std::string& error) {
        return ratioCaptureRect(x, y, pintWidth, pintHeight, rect, error);
    };
    return mImpl->capture(pHandle, pstrCaptureFile, pintCaretX, pintCaretY, pintTime, place,
                          pstrError);
}

}  // namespace korvane
