#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <string>

#include "desktop/x11/XConnection.h"

namespace korvane::x11 {

// Tells when the X client that has the keyboard focus has handled every event sent to it before:
// it is sent the EWMH ping (_NET_WM_PING), which a client answers when its turn comes among its
// events, and so only after the keys before it. GTK and Qt list it among their window protocols;
// a client whose window does not list _NET_WM_PING in WM_PROTOCOLS (Tk) cannot be asked.
//
// The answer goes to the root window; it is read on a connection of this object's own, which
// watches the root window only while it waits. Not thread-safe: one caller at a time.
class XClientPing {
  public:
    // An empty name means the DISPLAY environment variable.
    explicit XClientPing(const std::string& displayName);
    XClientPing(const XClientPing&) = delete;
    XClientPing& operator=(const XClientPing&) = delete;

    // Whether the connection is unusable (could not be made, or the server went away).
    bool lost() const;

    // Pings the client of the window that has the keyboard focus (that window or its nearest
    // ancestor that takes pings) and waits for its answer. The events to be handled first must
    // have reached the server before the call. True once it answered; false at once when there
    // is no such window, and after `timeout` without an answer.
    bool handledAll(std::chrono::milliseconds timeout);

  private:
    // The focused window's, or its nearest ancestor's, that takes pings; None when none does.
    Window pingedWindow();
    bool answered(Window pinged, long stamp, std::chrono::steady_clock::time_point deadline);

    XConnection mConnection;
    Atom mProtocols = None;
    Atom mPing = None;
    long mStamp = 0;
};

}  // namespace korvane::x11
