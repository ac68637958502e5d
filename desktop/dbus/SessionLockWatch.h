#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "platform/WakeSignal.h"

namespace korvane::dbus {

// The buses a SessionLockWatch asks, by D-Bus address. Empty means the one the environment names:
// DBUS_SESSION_BUS_ADDRESS (no session bus without it), DBUS_SYSTEM_BUS_ADDRESS or the system
// bus's standard socket.
struct LockSources {
    std::string sessionBus;
    std::string systemBus;
};

// Whether the user's session is locked, so that no barcode and no Enter go into a lock screen's
// password field. Two sources, either of which saying "locked" is enough: the session's screen
// saver (GetActive of org.freedesktop.ScreenSaver on the session bus, which KDE's and Xfce's
// lockers and the like serve) and logind (the LockedHint of this process's session, or of the
// user's graphical one when the process is in none, on the system bus; GNOME sets it). logind's
// session is looked up once, as the system bus is joined.
//
// The answer is kept by a thread of the watch's own, which asks both sources as it starts and
// again each time one of them signals a change (ActiveChanged, the session's PropertiesChanged,
// the screen saver's bus name changing hands), so reading it is an atomic load that never waits
// for a bus. A bus that cannot be reached, a service that is not there and a call not answered
// within half a second all mean "not known locked", never a wait; a bus that cannot be reached is
// tried again every 10 seconds. The answer follows a change as soon as the thread has seen its
// signal (a millisecond or so), not before.
class SessionLockWatch {
  public:
    // Starts the thread; never waits for a bus. Throws std::system_error when the system gives no
    // descriptor for the thread's wake-up.
    explicit SessionLockWatch(LockSources sources = {});
    // Stops the thread and waits for it: at most as long as the call under way (half a second).
    ~SessionLockWatch();
    SessionLockWatch(const SessionLockWatch&) = delete;
    SessionLockWatch& operator=(const SessionLockWatch&) = delete;

    // From any thread.
    bool locked() const;

  private:
    void run(LockSources sources);

    std::atomic<bool> mLocked{false};
    std::atomic<bool> mStopping{false};
    net::WakeSignal mWake;
    std::thread mThread;
};

}  // namespace korvane::dbus
