#pragma once

#include <chrono>
#include <mutex>

#include "desktop/ClipboardOwner.h"
#include "desktop/Desktop.h"
#include "desktop/RgbImage.h"
#include "desktop/VirtualKey.h"

namespace korvane {

// What every real platform shares: the paste (clipboard, pause, Control+V, the wait for the
// window to take the text, the text put back), the key tables, the capture's pause, geometry,
// picture and PNG file. A platform supplies the primitives below.
class NativeDesktop : public Desktop {
  public:
    // One paste at a time, whatever the callers do: the clipboard owner takes one caller at a
    // time.
    DesktopError pasteText(WindowHandle window, const std::string& text) final;
    DesktopError pasteTextRestoringClipboard(WindowHandle window, const std::string& text) final;
    DesktopError pressSuffixKey(WindowHandle window, const std::string& code) override;
    DesktopError pressPrefixKey(WindowHandle window, const std::string& code) override;
    DesktopError capture(WindowHandle window, Point caret, const CaptureShape& shape,
                         std::int32_t delayCode, std::chrono::steady_clock::time_point pauseFrom,
                         const std::string& pngPath) override;

  protected:
    // The clipboard a paste goes through; it lives as long as this desktop.
    virtual ClipboardOwner& clipboard() = 0;
    // What must hold before a paste touches the clipboard (the display reached, keys that can be
    // sent), so that a paste that cannot press its keys leaves the clipboard alone. Nothing is
    // checked by default.
    virtual DesktopError pasteReady() { return {}; }
    // Presses Control+V (Control held around V) for the focused window.
    virtual DesktopError pressControlV() = 0;
    // Presses and releases one key (never NoKey) for `window`.
    virtual DesktopError pressKey(WindowHandle window, VirtualKey key) = 0;
    // Where a point of `window`'s client area is on the screen now. A window that is gone is a
    // WindowGone error "[ClientToScreen]が失敗しました。" (or the reason the display was lost).
    virtual DesktopResult<ScreenPoint> clientToScreen(WindowHandle window, Point point) = 0;
    // How long before the capture's pause ends clientToScreen is called: about the time its answer
    // takes when it comes from a display server that slept through the pause, so that the answer
    // overlaps the pause rather than following it. None by default.
    virtual std::chrono::microseconds placeAskedBefore() const { return {}; }
    // Copies the part of `rect` that lies on the screen into `image`, which is rect's size and
    // black: what lies off the screen stays black, and so does all of it when the screen cannot
    // be read (the capture still counts, as the phone expects a picture).
    virtual void grabScreen(const CaptureRect& rect, RgbImage& image) = 0;

  private:
    DesktopError paste(const std::string& text, bool restore);
    DesktopError pressCodedKey(WindowHandle window, const std::string& code,
                               VirtualKey (*keyFor)(std::int32_t));

    std::mutex mPasteLock;
};

}  // namespace korvane
