#pragma once

#include <atomic>
#include <string>

#include "desktop/Desktop.h"

namespace korvane {

// A desktop that always finds a window, types at once and "captures" a prepared PNG, so that load
// runs, fuzzing and benchmarks measure the server and request handling, not the screen.
class CannedDesktop : public Desktop {
  public:
    // Prepares a noisy width x height picture (noise, so that its size is that of a busy screen).
    explicit CannedDesktop(int width = 320, int height = 240);

    // Never: load runs and benchmarks measure the unlocked road.
    bool sessionLocked() override { return false; }
    DesktopResult<FocusedWindow> focusedWindow() override;
    DesktopError pasteText(WindowHandle window, const std::string& text) override;
    DesktopError pasteTextRestoringClipboard(WindowHandle window, const std::string& text) override;
    DesktopError typeText(WindowHandle window, const std::string& text,
                          std::chrono::milliseconds keyDelay) override;
    DesktopError pressSuffixKey(WindowHandle window, const std::string& code) override;
    DesktopError pressPrefixKey(WindowHandle window, const std::string& code) override;
    DesktopError capture(WindowHandle window, Point caret, const CaptureShape& shape,
                         std::int32_t delayCode, std::chrono::steady_clock::time_point pauseFrom,
                         const std::string& pngPath) override;

    std::size_t pictureBytes() const { return mPicture.size(); }
    long captures() const { return mCaptures; }

  private:
    std::string mPicture;
    std::atomic<long> mCaptures{0};
};

}  // namespace korvane
