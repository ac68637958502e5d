#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "desktop/dbus/SessionLockWatch.h"
#include "tests/desktop/LockStandIn.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using dbus::LockSources;
using dbus::SessionLockWatch;
using test::LockStandIn;

// Whether the watch comes to say `locked` within a few seconds.
bool comesTo(const SessionLockWatch& watch, bool locked) {
    const auto deadline = Clock::now() + 5s;
    while (watch.locked() != locked) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// A locker that starts after the watch, locks and unlocks, and ends while locked; the screen
// saver on the session bus, then logind on a bus given as the system bus.
TEST(SessionLockWatch, FollowsTheLockerAsItLocksUnlocksAndGoes) {
    const std::string bus = test::sessionBusAddress();
    ASSERT_FALSE(bus.empty()) << "needs a session bus: run scripts/test (dbus-run-session)";
    const std::string nowhere = "unix:path=/nonexistent/korvane-bus";
    const struct {
        LockStandIn::Role role;
        LockSources sources;
    } cases[] = {
        {LockStandIn::Role::ScreenSaver, {.sessionBus = bus, .systemBus = nowhere}},
        {LockStandIn::Role::Logind, {.sessionBus = nowhere, .systemBus = bus}},
    };
    for (const auto& c : cases) {
        const bool logind = c.role == LockStandIn::Role::Logind;
        SCOPED_TRACE(logind ? "logind" : "screen saver");
        // logind's session is looked up once, as the bus is joined: it must be there first.
        auto early = logind ? std::make_unique<LockStandIn>(c.role, bus) : nullptr;
        SessionLockWatch watch(c.sources);
        auto locker = early ? std::move(early) : std::make_unique<LockStandIn>(c.role, bus);
        ASSERT_TRUE(locker->ready());
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(watch.locked());

        locker->setLocked(true);
        EXPECT_TRUE(comesTo(watch, true));
        locker->setLocked(false);
        EXPECT_TRUE(comesTo(watch, false));
        locker->setLocked(true);
        ASSERT_TRUE(comesTo(watch, true));
        if (!logind) {
            // A locker that has gone locks nothing.
            locker.reset();
            EXPECT_TRUE(comesTo(watch, false));
        }
    }
}

// A socket that takes connections and never says a word: a bus that hangs.
class SilentBus {
  public:
    SilentBus() {
        mPath = (std::filesystem::temp_directory_path() /
                 ("korvane-silent-bus-" + std::to_string(::getpid())))
                    .string();
        ::unlink(mPath.c_str());
        mSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, mPath.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(mSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(::listen(mSocket, 8), 0);
    }
    ~SilentBus() {
        ::close(mSocket);
        ::unlink(mPath.c_str());
    }
    std::string address() const { return "unix:path=" + mPath; }

  private:
    std::string mPath;
    int mSocket = -1;
};

// Buses that cannot be reached or never answer leave the session "not known locked": the answer
// is there at once, and the watch ends within a call's bound.
TEST(SessionLockWatch, BusesThatAreMissingOrHangAreNotKnownLockedAndCostNoWait) {
    SilentBus silent;
    const struct {
        const char* name;
        LockSources sources;
    } cases[] = {
        {"missing",
         {.sessionBus = "unix:path=/nonexistent/a", .systemBus = "unix:path=/nonexistent/b"}},
        {"silent", {.sessionBus = silent.address(), .systemBus = silent.address()}},
        {"not an address", {.sessionBus = "nonsense", .systemBus = "tcp:host=,port=x"}},
    };
    for (const auto& c : cases) {
        const auto start = Clock::now();
        {
            SessionLockWatch watch(c.sources);
            for (int i = 0; i < 20; ++i) {
                EXPECT_FALSE(watch.locked()) << c.name;
                std::this_thread::sleep_for(10ms);
            }
        }
        EXPECT_LT(Clock::now() - start, 2s) << c.name;
    }
}

}  // namespace
}  // namespace korvane
