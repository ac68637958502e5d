#include "platform/WakeSignal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/SocketPoller.h"

namespace korvane::net {
namespace {

using namespace std::chrono_literals;

// Whether the signal is raised, as the listener sees it: its poller reports the signal's key.
bool reported(SocketPoller& poller, const WakeSignal& wake, int timeoutMs) {
    std::vector<void*> ready;
    EXPECT_TRUE(poller.wait(timeoutMs, ready));
    return ready == std::vector<void*>{const_cast<WakeSignal*>(&wake)};
}

TEST(WakeSignal, EndsALongWaitWhenRaisedFromAnotherThread) {
    WakeSignal wake;
    SocketPoller poller;
    poller.watchAlways(wake.descriptor(), &wake);
    const auto start = std::chrono::steady_clock::now();
    std::thread raiser([&] {
        std::this_thread::sleep_for(50ms);
        wake.raise();
    });
    // A minute's timeout: only the signal can end this wait in time.
    EXPECT_TRUE(reported(poller, wake, 60000));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    raiser.join();

    // Raised it stays raised, however often it is raised, until cleared.
    wake.raise();
    EXPECT_TRUE(reported(poller, wake, 0));
    wake.clear();
    EXPECT_FALSE(reported(poller, wake, 0));
    wake.clear();  // clearing a lowered signal is harmless
    EXPECT_FALSE(reported(poller, wake, 0));
}

}  // namespace
}  // namespace korvane::net
