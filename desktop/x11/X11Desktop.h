#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "desktop/Desktop.h"

namespace korvane {

// The desktop of an X11 session. Keys are synthesized with XTEST, the clipboard is held by a
// selection owner of this object's own, and the caret is asked of the accessibility bus.
//
// This program's own windows: the focused window belongs to this program when the nearest window
// on its way up to the root that carries _NET_WM_PID names this process (and, where it is set,
// WM_CLIENT_MACHINE names this machine). Qt sets both on every top-level window it makes, dialogs
// and popups included, so no window needs to be registered.
//
// The connection to the X server is opened on first use and opened again if the server went
// away; all six operations may be called from any thread, one at a time per object being the
// caller's rule, which an internal lock enforces as well.
class TX11Desktop : public TDesktop {
  public:
    // An empty name means the DISPLAY environment variable.
    explicit TX11Desktop(const std::string& displayName = "");
    ~TX11Desktop() override;

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
    class Impl;
    std::unique_ptr<Impl> mImpl;
};

}  // namespace korvane
