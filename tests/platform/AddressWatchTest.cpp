// The address watch in a network namespace of the test's own, on a link the test makes: a change
// is told, and a burst of changes once, when it is over.
#include "platform/AddressWatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/support/PrivateNetwork.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using test::PrivateNetwork;

// Long enough that the lines of one `ip -batch` run are one burst, however loaded the machine.
constexpr auto kQuiet = 500ms;

class AddressWatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string why = PrivateNetwork::enter(); !why.empty()) {
            GTEST_SKIP() << "no network namespace of the test's own here: " << why;
        }
        ASSERT_EQ(PrivateNetwork::addLink("lan0"), "");
    }

    void changed() {
        std::lock_guard lock(mLock);
        ++mTold;
        mChanged.notify_all();
    }
    // Waits until the watch has told `count` changes in all, at most 10 s; the count then.
    int waitForTold(int count) {
        std::unique_lock lock(mLock);
        mChanged.wait_for(lock, 10s, [&] { return mTold >= count; });
        return mTold;
    }
    int told() {
        std::lock_guard lock(mLock);
        return mTold;
    }

    std::mutex mLock;
    std::condition_variable mChanged;
    int mTold = 0;
};

TEST_F(AddressWatchTest, TellsAChangeOnceABurstIsOver) {
    AddressWatch watch(kQuiet, [this] { changed(); });
    ASSERT_EQ(watch.failure(), "");

    ASSERT_EQ(PrivateNetwork::ip("addr add 10.77.0.5/24 dev lan0\n"), "");
    EXPECT_EQ(waitForTold(1), 1);

    // A DHCP renewal's shape: the address goes, another comes, the route follows.
    ASSERT_EQ(PrivateNetwork::ip("addr del 10.77.0.5/24 dev lan0\n"
                                 "addr add 10.77.0.9/24 dev lan0\n"
                                 "route replace default dev lan0\n"),
              "");
    EXPECT_EQ(waitForTold(2), 2);
    // Nothing of that burst comes later.
    std::this_thread::sleep_for(3 * kQuiet);
    EXPECT_EQ(told(), 2);

    // A link going down takes its addresses from the list, though the kernel keeps them.
    ASSERT_EQ(PrivateNetwork::ip("link set lan0 down\n"), "");
    EXPECT_EQ(waitForTold(3), 3);
}

}  // namespace
}  // namespace korvane
