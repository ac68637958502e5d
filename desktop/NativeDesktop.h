#pragma once

#include <chrono>

#include "desktop/Desktop.h"
#include "desktop/RgbImage.h"
#include "desktop/VirtualKey.h"

namespace korvane {

// What every real platform shares: the key tables, the capture's pause, geometry, picture and PNG
// file. A platform supplies the three primitives below.
class NativeDesktop : public Desktop {
  public:
    DesktopError pressSuffixKey(WindowHandle window, const std::string& code) override;
    DesktopError pressPrefixKey(WindowHandle window, const std::string& code) override;
    DesktopError capture(WindowHandle window, Point caret, const CaptureShape& shape,
                         std::int32_t delayCode, std::chrono::steady_clock::time_point pauseFrom,
                         const std::string& pngPath) override;

  protected:
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
    DesktopError pressCodedKey(WindowHandle window, const std::string& code,
                               VirtualKey (*keyFor)(std::int32_t));
};

}  // namespace korvane
