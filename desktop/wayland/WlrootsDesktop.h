#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "desktop/NativeDesktop.h"
#include "desktop/dbus/SessionLockWatch.h"
#include "desktop/wayland/WaylandClipboardOwner.h"

namespace korvane {

class X11Desktop;

namespace wayland {
class VirtualKeyboard;
class WlrootsConnection;
}  // namespace wayland

// The desktop of a wlroots compositor (sway and its kin), reached through the protocols such a
// compositor offers to trusted clients: keys through one virtual keyboard of this object's own
// (zwp_virtual_keyboard_v1, with a US keymap made here), the clipboard through data control
// (zwlr_data_control_v1), the focused window through the foreign toplevel list
// (zwlr_foreign_toplevel_manager_v1) and the picture through screencopy
// (zwlr_screencopy_manager_v1). The caret comes from the accessibility bus; where a window lies
// on the screen only sway's IPC (SWAYSOCK) tells. Without it a capture is centred on the output
// the window is on, and the trace says so.
//
// An X11 program's window under XWayland is found in sway's tree by its class (the app id the
// toplevel list gives it); its caret comes in screen coordinates. Keys typed into it, and the
// keys pressed after them, go through XTEST on XWayland's display (DISPLAY): an X11 client
// takes a new keymap of the virtual keyboard only some time after XWayland does, and read keys
// sent before the change with the new one.
//
// This program's own windows: the activated toplevel belongs to this program when its app id (for
// an X11 window its class) is one of `ownAppIds`, or when sway's IPC names this process as the
// window's. The connection is
// made on first use and made again after the compositor dropped it; a thread of this object's
// own reads it all the while, so the compositor's messages never pile up. Operations come one at
// a time (the request handling's desktop lock); an internal lock enforces it as well.
class WlrootsDesktop : public NativeDesktop {
  public:
    // An empty display name means WAYLAND_DISPLAY. No own app id given means the file name of
    // this program, which is the app id Qt gives a window of a program that names none.
    explicit WlrootsDesktop(const std::string& displayName = "",
                            std::vector<std::string> ownAppIds = {});
    ~WlrootsDesktop() override;

    // As the session's screen saver and logind tell it (dbus::SessionLockWatch); not locked when
    // neither can be asked. The compositor's own lock (ext-session-lock) is not visible to a
    // client.
    bool sessionLocked() override;
    DesktopResult<FocusedWindow> focusedWindow() override;
    // Through the one virtual keyboard; characters the US layout lacks go on its spare keys, which
    // keep them until another text needs the keys (the keymap is this keyboard's alone, so there
    // is nothing to give back).
    DesktopError typeText(WindowHandle window, const std::string& text,
                          std::chrono::milliseconds keyDelay) override;
    DesktopError pressSuffixKey(WindowHandle window, const std::string& code) override;
    DesktopError pressPrefixKey(WindowHandle window, const std::string& code) override;

  protected:
    // The data control owner. A paste that puts the previous text back reads it through data
    // control first and serves it again once the window has taken the barcode; like the
    // barcode, it stays on the clipboard only while this program runs.
    ClipboardOwner& clipboard() override;
    // The compositor reached, with every protocol the desktop needs.
    DesktopError pasteReady() override;
    DesktopError pressControlV() override;
    DesktopError pressKey(WindowHandle window, VirtualKey key) override;
    DesktopResult<ScreenPoint> clientToScreen(WindowHandle window, Point point) override;
    void grabScreen(const CaptureRect& rect, RgbImage& image) override;

  private:
    // The live connection, made anew when there is none or the compositor dropped it; an
    // Unavailable error with the reason when none can be made. Under mLock.
    DesktopResult<wayland::WlrootsConnection*> connection();
    // The desktop of XWayland's display, made on first use, when `window` is an X11 program's;
    // null for a Wayland window, without sway's IPC or without DISPLAY.
    X11Desktop* xwaylandDesktopFor(WindowHandle window);
    // Sends keys through the connection's keyboard; `keys` runs on its thread.
    DesktopError sendKeys(const std::function<DesktopError(wayland::VirtualKeyboard&)>& keys);

    std::mutex mLock;
    std::string mDisplayName;
    std::vector<std::string> mOwnAppIds;
    std::string mSwaySocket;
    std::unique_ptr<wayland::WlrootsConnection> mConnection;
    wayland::WaylandClipboardOwner mClipboard;
    dbus::SessionLockWatch mLockWatch;
    // Made under mLock and kept: its own lock serialises its calls.
    std::unique_ptr<X11Desktop> mXWayland;
};

// The wlroots protocols WlrootsDesktop needs that the compositor at `displayName` (empty:
// WAYLAND_DISPLAY) does not offer; "Wayland display" alone when it cannot be reached. Empty when
// everything is there.
std::vector<std::string> missingWlrootsProtocols(const std::string& displayName);

}  // namespace korvane
