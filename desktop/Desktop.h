#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// The platform's window handle; 0 means no window.
using WindowHandle = std::uint64_t;

// Everything the program does on the user's desktop: find the window that has the keyboard focus
// and its text caret, type into it through the clipboard, press keys, and capture the screen
// around the caret into a PNG file. Failures never escape: each operation returns false (or 0)
// and puts the reason into pstrError, which it leaves alone on success.
class TDesktop {
  public:
    virtual ~TDesktop() = default;

    // The focused window of the foreground application, or 0. On success the caret position in
    // that window's client coordinates goes to pintCaretX / pintCaretY when it can be found; they
    // keep the caller's values otherwise.
    virtual WindowHandle mdlGetFocusWindow(std::string& pstrError, std::int32_t& pintCaretX,
                                           std::int32_t& pintCaretY) = 0;
    // Puts pstrValue on the clipboard, pauses 100 ms, and presses Control+V.
    virtual bool mdlSendBarcode(WindowHandle pHandle, const std::string& pstrValue,
                                std::string& pstrError) = 0;
    // "1": Enter, "2": Tab, another integer: nothing (true); not an integer: false.
    virtual bool mdlSendSuffix(WindowHandle pHandle, const std::string& pstrKbn,
                               std::string& pstrError) = 0;
    // "1": F2, another integer: nothing (true); not an integer: false.
    virtual bool mdlSendPrefix(WindowHandle pHandle, const std::string& pstrKbn,
                               std::string& pstrError) = 0;
    // After the pause of pintTime, a 320 x 240 picture centred on the caret, written as PNG.
    virtual bool mdlCaptureScreen(WindowHandle pHandle, const std::string& pstrCaptureFile,
                                  std::int32_t pintCaretX, std::int32_t pintCaretY,
                                  std::int32_t pintTime, std::string& pstrError) = 0;
    // After the pause of pintTime, a picture 320 wide with the height in the ratio
    // pintHeight / pintWidth, the caret at (100, 200) in it, written as PNG.
    virtual bool mdlCaptureScreen2(WindowHandle pHandle, const std::string& pstrCaptureFile,
                                   std::int32_t pintCaretX, std::int32_t pintCaretY,
                                   std::int32_t pintTime, std::int32_t pintWidth,
                                   std::int32_t pintHeight, std::string& pstrError) = 0;
};

}  // namespace korvane
