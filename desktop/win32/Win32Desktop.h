#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "desktop/NativeDesktop.h"

namespace korvane {

namespace win32 {
class ClipboardOwner;
}

// The desktop of a Windows session. The focused window and its caret are asked of the foreground
// window's thread after attaching this thread's input to it (AttachThreadInput, GetFocus,
// GetCaretPos); keys go through SendInput into the system's input queue, which delivers them to
// whichever window is active; the clipboard is held with delayed rendering by an owner window of
// this object's own; the screen is read with BitBlt from the screen's device context.
//
// This program's own windows: the foreground window belongs to this program when its thread is
// one of this process's.
//
// All operations may be called from any thread, one at a time, which an internal lock enforces.
class Win32Desktop : public NativeDesktop {
  public:
    Win32Desktop();
    ~Win32Desktop() override;

    DesktopResult<FocusedWindow> focusedWindow() override;
    DesktopError pasteText(WindowHandle window, const std::string& text) override;
    // The clipboard's CF_UNICODETEXT is read before the paste and put back once the window has
    // taken the barcode.
    DesktopError pasteTextRestoringClipboard(WindowHandle window, const std::string& text) override;
    // Each UTF-16 unit goes as a KEYEVENTF_UNICODE press and release, which needs no key of the
    // layout (no spare key is borrowed); line breaks go as Enter and TAB as Tab.
    DesktopError typeText(WindowHandle window, const std::string& text,
                          std::chrono::milliseconds keyDelay) override;

  protected:
    DesktopError pressKey(WindowHandle window, VirtualKey key) override;
    DesktopResult<ScreenPoint> clientToScreen(WindowHandle window, Point point) override;
    void grabScreen(const CaptureRect& rect, RgbImage& image) override;

  private:
    // Clipboard, Control+V and the wait for the hand-over; the caller holds mLock.
    DesktopError paste(const std::string& text);

    std::mutex mLock;
    std::unique_ptr<win32::ClipboardOwner> mClipboard;
};

}  // namespace korvane
