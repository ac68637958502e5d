#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "desktop/Desktop.h"

namespace korvane::test {

// A scripted desktop: records every call in order and writes a real PNG for each capture, whose
// pixels differ from one capture to the next.
class FakeDesktop : public Desktop {
  public:
    std::atomic<bool> locked{false};  // the session's lock, as sessionLocked() tells it
    WindowHandle focusResult = 42;    // 0: the focus lookup fails as for this program's own window
    Point caret{7, 9};
    std::string windowKind;  // the focused window's kind
    bool pasteSucceeds = true;
    bool pasteTaken = true;    // false: the keys of a paste go, but no window takes the text
    std::string captureError;  // non-empty: captures fail with this text
    int pictureSide = 8;       // width and height of the written pictures
    // A capture pauses this long per unit of its delay code, as a real one pauses for it.
    std::chrono::milliseconds delayUnit{0};

    std::vector<std::string> calls();
    // When each call of calls() began.
    std::vector<std::chrono::steady_clock::time_point> callTimes();
    // Where each capture's pause was counted from.
    std::vector<std::chrono::steady_clock::time_point> pauseStarts();
    // The bytes each successful capture wrote, in order.
    std::vector<std::string> captures();

    bool sessionLocked() override { return locked; }
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

  private:
    void record(std::string call);
    DesktopError pasteResult() const;
    DesktopError writePicture(const std::string& path);

    std::mutex mLock;
    std::vector<std::string> mCalls;
    std::vector<std::chrono::steady_clock::time_point> mCallTimes;
    std::vector<std::chrono::steady_clock::time_point> mPauseStarts;
    std::vector<std::string> mCaptures;
};

}  // namespace korvane::test
