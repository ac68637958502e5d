#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "desktop/NativeDesktop.h"

namespace korvane {

namespace win32 {
class Win32ClipboardOwner;
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

    // Locked when the desktop that takes the input is not the session's "Default" one (the lock
    // screen, a consent prompt), or cannot be opened or named; two system calls, no lock taken.
    bool sessionLocked() override;
    DesktopResult<FocusedWindow> focusedWindow() override;
    // Each UTF-16 unit goes as a KEYEVENTF_UNICODE press and release, which needs no key of the
    // layout (no spare key is borrowed); line breaks go as Enter and TAB as Tab.
    DesktopError typeText(WindowHandle window, const std::string& text,
                          std::chrono::milliseconds keyDelay) override;

  protected:
    // The owner window; a paste that puts the previous text back reads the clipboard's
    // CF_UNICODETEXT first.
    ClipboardOwner& clipboard() override;
    DesktopError pressControlV() override;
    DesktopError pressKey(WindowHandle window, VirtualKey key) override;
    DesktopResult<ScreenPoint> clientToScreen(WindowHandle window, Point point) override;
    void grabScreen(const CaptureRect& rect, RgbImage& image) override;

  private:
    std::mutex mLock;
    std::unique_ptr<win32::Win32ClipboardOwner> mClipboard;
};

}  // namespace korvane
