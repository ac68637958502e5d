#include "desktop/NativeDesktop.h"

#include <chrono>
#include <new>
#include <optional>
#include <thread>

#include "desktop/PngFile.h"
#include "platform/PreciseSleep.h"

namespace korvane {

namespace {

// The target asks the clipboard's owner for the text only once it sees the paste keys; the
// owner's thread answers while this one waits.
constexpr auto kPastePause = std::chrono::milliseconds(100);
// A window that does not paste costs this much before the keys after the paste go.
constexpr auto kDeliveryBudget = std::chrono::milliseconds(500);

DesktopError blackPicture(int width, int height, RgbImage& image) {
    image.width = width;
    image.height = height;
    try {
        image.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3,
                            0);
    } catch (const std::bad_alloc&) {
        return DesktopError(DesktopError::Kind::Capture, "キャプチャ画像を確保できません。(" +
                                                             std::to_string(width) + " x " +
                                                             std::to_string(height) + ")");
    }
    return {};
}

}  // namespace

DesktopError NativeDesktop::pasteText(WindowHandle, const std::string& text) {
    return paste(text, false);
}

DesktopError NativeDesktop::pasteTextRestoringClipboard(WindowHandle, const std::string& text) {
    return paste(text, true);
}

DesktopError NativeDesktop::paste(const std::string& text, bool restore) {
    std::lock_guard lock(mPasteLock);
    if (DesktopError unready = pasteReady()) {
        return unready;
    }
    ClipboardOwner& owner = clipboard();
    const std::optional<std::string> previous = restore ? owner.text() : std::nullopt;
    if (DesktopError failed = owner.setText(text)) {
        return failed;
    }
    const std::uint64_t afterSet = owner.deliveries();
    std::this_thread::sleep_for(kPastePause);
    const std::uint64_t before = owner.deliveries();
    if (DesktopError failed = pressControlV()) {
        return failed;
    }
    // A window may go on to the keys after the paste (Enter, Tab) before the text it asked for
    // has arrived, and would act on a field without it. Returning once the text has been handed
    // over keeps them behind it.
    const bool taken = owner.waitForDelivery(before, kDeliveryBudget);
    // The window has taken the barcode (or the budget has passed): the user's text goes back.
    if (previous) {
        if (DesktopError failed = owner.setText(*previous)) {
            return failed;
        }
    }
    // A program that took the text during the pause (a clipboard history) may have left the
    // window's paste uncounted: then whether the window took it cannot be told.
    const bool knowable = before == afterSet || owner.countsEveryAsk();
    if (!taken && knowable) {
        return DesktopError(DesktopError::Kind::NotTaken,
                            "ウィンドウが貼り付けたテキストを受け取りませんでした。");
    }
    return {};
}

DesktopError NativeDesktop::pressSuffixKey(WindowHandle window, const std::string& code) {
    return pressCodedKey(window, code, &suffixKey);
}

DesktopError NativeDesktop::pressPrefixKey(WindowHandle window, const std::string& code) {
    return pressCodedKey(window, code, &prefixKey);
}

DesktopError NativeDesktop::pressCodedKey(WindowHandle window, const std::string& code,
                                          VirtualKey (*keyFor)(std::int32_t)) {
    DesktopResult<std::int32_t> parsed = parseKeyCode(code);
    if (!parsed) {
        return parsed.error();
    }
    const VirtualKey key = keyFor(*parsed);
    if (key == VirtualKey::NoKey) {
        return {};
    }
    return pressKey(window, key);
}

DesktopError NativeDesktop::capture(WindowHandle window, Point caret, const CaptureShape& shape,
                                    std::int32_t delayCode,
                                    std::chrono::steady_clock::time_point pauseFrom,
                                    const std::string& pngPath) {
    // What needs no screen is made within the pause, to leave only the grab and the encode for
    // after it. A fault found now is told after the pause: the window's first, then the shape's,
    // the picture's, the file's.
    const DesktopResult<CaptureRect> aroundOrigin = captureRect({}, shape);
    RgbImage image;
    DesktopError unprepared;
    std::optional<PngFile> file;
    if (aroundOrigin) {
        unprepared = blackPicture(aroundOrigin->width, aroundOrigin->height, image);
        if (!unprepared) {
            file.emplace(pngPath);
        }
    }
    const auto pauseEnd = pauseFrom + std::chrono::milliseconds(captureDelayMs(delayCode));
    // The window's place is asked as the pause ends, as the window may have moved or closed
    // meanwhile (the caret's place in the window was found as the pause began).
    sleepPreciselyUntil(pauseEnd - placeAskedBefore());
    DesktopResult<ScreenPoint> onScreen = clientToScreen(window, caret);
    sleepPreciselyUntil(pauseEnd);
    if (!onScreen) {
        return onScreen.error();
    }
    if (!aroundOrigin) {
        return aroundOrigin.error();
    }
    if (unprepared) {
        return unprepared;
    }
    CaptureRect rect = *aroundOrigin;
    rect.left += onScreen->x;
    rect.top += onScreen->y;
    grabScreen(rect, image);
    return file->write(image);
}

}  // namespace korvane
