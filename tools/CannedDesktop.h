#pragma once

#include <atomic>
#include <string>

#include "desktop/Desktop.h"

namespace korvane {

// A desktop that always finds a window, types at once and "captures" a prepared PNG, so that load
// runs, fuzzing and benchmarks measure the server and request handling, not the screen.
class TCannedDesktop : public TDesktop {
  public:
    // Prepares a noisy width x height picture (noise, so that its size is that of a busy screen).
    explicit TCannedDesktop(int pWidth = 320, int pHeight = 240);

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

    std::size_t PictureBytes() const { return mPicture.size(); }
    long Captures() const { return mCaptures; }

  private:
    bool WritePicture(const std::string& pPath, std::string& pError);

    std::string mPicture;
    std::atomic<long> mCaptures{0};
};

}  // namespace korvane
