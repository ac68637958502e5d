#include "desktop/NativeDesktop.h"

#include <chrono>
#include <new>

#include "desktop/PngWriter.h"
#include "platform/PreciseSleep.h"

namespace korvane {

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
    sleepPreciselyUntil(pauseFrom + std::chrono::milliseconds(captureDelayMs(delayCode)));
    // Asked after the pause: the window may have moved or closed meanwhile.
    DesktopResult<ScreenPoint> onScreen = clientToScreen(window, caret);
    if (!onScreen) {
        return onScreen.error();
    }
    DesktopResult<CaptureRect> rect = captureRect(*onScreen, shape);
    if (!rect) {
        return rect.error();
    }
    RgbImage image{rect->width, rect->height, {}};
    try {
        image.pixels.assign(
            static_cast<std::size_t>(rect->width) * static_cast<std::size_t>(rect->height) * 3, 0);
    } catch (const std::bad_alloc&) {
        return DesktopError(DesktopError::Kind::Capture, "キャプチャ画像を確保できません。(" +
                                                             std::to_string(rect->width) + " x " +
                                                             std::to_string(rect->height) + ")");
    }
    grabScreen(*rect, image);
    return writePngFile(pngPath, image);
}

}  // namespace korvane
