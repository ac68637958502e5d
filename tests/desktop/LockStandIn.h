#pragma once

#include <atomic>
#include <string>
#include <thread>

struct DBusConnection;
struct DBusMessage;

namespace korvane::test {

// A locker on the test's own bus, standing in for one where none runs headless: either the
// session's screen saver (org.freedesktop.ScreenSaver, GetActive and ActiveChanged) or logind
// (org.freedesktop.login1: GetSession naming one session whatever is asked, whose LockedHint
// property Properties.Get answers and PropertiesChanged announces). It owns the service's name on
// the bus at `address` (empty: DBUS_SESSION_BUS_ADDRESS) for its lifetime and answers on a thread
// of its own. ready() is false when the bus could not be reached or the name was taken.
class LockStandIn {
  public:
    enum class Role { ScreenSaver, Logind };

    explicit LockStandIn(Role role, const std::string& address = {});
    ~LockStandIn();
    LockStandIn(const LockStandIn&) = delete;
    LockStandIn& operator=(const LockStandIn&) = delete;

    bool ready() const { return mConnection != nullptr; }
    // Locks or unlocks, and announces it as the real service does.
    void setLocked(bool locked);

  private:
    void serve();
    void answer(DBusMessage* call);
    void announce();

    const Role mRole;
    DBusConnection* mConnection = nullptr;
    std::atomic<bool> mLocked{false};
    std::atomic<bool> mStopping{false};
    std::thread mThread;
};

// The session bus's address, as dbus-run-session (scripts/test) gives it; empty without one.
std::string sessionBusAddress();

}  // namespace korvane::test
