#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "desktop/Desktop.h"

namespace korvane::test {

// A scripted desktop: records every call in order and writes a real PNG for each capture, whose
// pixels differ from one capture to the next.
class FakeDesktop : public TDesktop {
  public:
    WindowHandle focusResult = 42;
    std::int32_t caretX = 7;
    std::int32_t caretY = 9;
    bool pasteSucceeds = true;
    std::string captureError;  // non-empty: captures fail with this text
    int pictureSide = 8;       // width and height of the written pictures

    std::vector<std::string> Calls();
    // The bytes each successful capture wrote, in order.
    std::vector<std::string> Captures();

    WindowHandle mdlGetFocusWindow(std::string& pstrError, std::int32_t& pintCaretX,
                                   std::int32_t& pintCaretY) override;
    bool mdlSendBarcode(WindowHandle pHandle, const std::string& pstrValue,
                        std::string& pstrError) override;
    bool mdlSendSuffix(WindowHandle pHandle, const std::string& pstrKbn,
                       std::string& pstrError) override;
    bool mdlSendPrefix(WindowHandle pHandle, const std::string& pstrKbn,
                       std::string& pstrError) override;
    bool mdlCaptureScreen(WindowHandle pHandle, const std::string& pstrCaptureFile,
                          std::int32_t pintCaretX, std::int32_t pintCaretY, std::int32_t pintTime,
                          std::string& pstrError) override;
    bool mdlCaptureScreen2(WindowHandle pHandle, const std::string& pstrCaptureFile,
                           std::int32_t pintCaretX, std::int32_t pintCaretY, std::int32_t pintTime,
                           std::int32_t pintWidth, std::int32_t pintHeight,
                           std::string& pstrError) override;

  private:
    void Record(std::string call);
    bool WritePicture(const std::string& path, std::string& error);

    std::mutex mLock;
    std::vector<std::string> mCalls;
    std::vector<std::string> mCaptures;
};

}  // namespace korvane::test
