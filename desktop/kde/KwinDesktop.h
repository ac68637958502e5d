#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "desktop/NativeDesktop.h"
#include "desktop/dbus/SessionLockWatch.h"
#include "desktop/kde/KwinBus.h"
#include "desktop/wayland/WaylandClipboardOwner.h"

namespace korvane {

namespace kde {
class FakeInputKeyboard;
}  // namespace kde

// The desktop of KDE Plasma on Wayland (KWin 5.27), reached through what KWin offers a program it
// trusts: keys through fake input (org_kde_kwin_fake_input, Linux event codes read through
// KWin's layout), the clipboard through data control (zwlr_data_control_manager_v1, the same
// owner as on wlroots), the focused window through a KWin script loaded over D-Bus, which tells
// its process, resource class and frame, and the picture through org.kde.KWin.ScreenShot2. The
// caret comes from the accessibility bus in window coordinates and is placed on the window's
// frame.
//
// KWin trusts a program through its desktop file: the first one whose absolute Exec= is this
// program's file, with X-KDE-Wayland-Interfaces listing org_kde_kwin_fake_input and
// X-KDE-DBUS-Restricted-Interfaces listing org.kde.KWin.ScreenShot2. Without it keys fail (the
// log says why) and captures stay black (the trace says why).
//
// This program's own windows: the active window's resource class is one of `ownAppIds` or its
// process is this one. Operations come one at a time (the request handling's desktop lock); an
// internal lock enforces it as well.
class KwinDesktop : public NativeDesktop {
  public:
    // An empty display name means WAYLAND_DISPLAY. No own app id given means the file name of
    // this program, the app id Qt gives a window of a program that names none.
    explicit KwinDesktop(const std::string& displayName = "",
                         std::vector<std::string> ownAppIds = {});
    ~KwinDesktop() override;

    // As the session's screen saver and logind tell it (dbus::SessionLockWatch); not locked when
    // neither can be asked.
    bool sessionLocked() override;
    DesktopResult<FocusedWindow> focusedWindow() override;
    // Keys of KWin's layout (US unless the user chose another) are typed; a run of characters
    // no key gives (kanji, é) is pasted as pasteText pastes it, between the typed runs.
    DesktopError typeText(WindowHandle window, const std::string& text,
                          std::chrono::milliseconds keyDelay) override;

  protected:
    ClipboardOwner& clipboard() override;
    // KWin reached with fake input for this program.
    DesktopError pasteReady() override;
    DesktopError pressControlV() override;
    DesktopError pressKey(WindowHandle window, VirtualKey key) override;
    DesktopResult<ScreenPoint> clientToScreen(WindowHandle window, Point point) override;
    void grabScreen(const CaptureRect& rect, RgbImage& image) override;

  private:
    // The keyboard, made anew when there is none or its connection failed; a Keys error with the
    // reason when none can be made. Under mLock.
    DesktopResult<kde::FakeInputKeyboard*> keyboard();
    DesktopError sendKeys(const std::function<DesktopError(kde::FakeInputKeyboard&)>& keys);

    std::mutex mLock;
    std::string mDisplayName;
    std::vector<std::string> mOwnAppIds;
    kde::KwinBus mBus;
    // The KWin window id behind each handle given out, the newest few kept.
    std::map<WindowHandle, std::string> mWindowIds;
    WindowHandle mLastHandle = 0;
    std::unique_ptr<kde::FakeInputKeyboard> mKeyboard;
    wayland::WaylandClipboardOwner mClipboard;
    dbus::SessionLockWatch mLockWatch;
};

// Whether the compositor at `displayName` (empty: WAYLAND_DISPLAY) is KWin: it offers
// kde_output_device_v2, which only KWin does. False when it cannot be reached.
bool isKwinCompositor(const std::string& displayName);

}  // namespace korvane
