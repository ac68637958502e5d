#include "platform/WakeSignal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Socket.h"

namespace korvane::net {
namespace {

using namespace std::chrono_literals;

// A socket that listens and never gets a connection: never ready by itself.
class QuietSocket {
  public:
    QuietSocket() : mSock(openTcpSocket()) {
        EXPECT_TRUE(bindIPv4(mSock, "127.0.0.1", 0));
        EXPECT_TRUE(listenOn(mSock, kMaxBacklog));
    }
    ~QuietSocket() { closeSocket(mSock); }
    SocketHandle get() const { return mSock; }

  private:
    SocketHandle mSock;
};

TEST(WakeSignal, EndsALongWaitWhenRaisedFromAnotherThread) {
    QuietSocket quiet;
    WakeSignal wake;
    const auto start = std::chrono::steady_clock::now();
    std::thread raiser([&] {
        std::this_thread::sleep_for(50ms);
        wake.raise();
    });
    // A minute's timeout: only the signal can end this wait in time.
    EXPECT_EQ(waitSocketOrWake(quiet.get(), wake, 60000), WakeResult::Woken);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    raiser.join();

    // Raised it stays raised, however often it is raised, until cleared.
    wake.raise();
    EXPECT_EQ(waitSocketOrWake(quiet.get(), wake, 0), WakeResult::Woken);
    wake.clear();
    EXPECT_EQ(waitSocketOrWake(quiet.get(), wake, 0), WakeResult::TimedOut);
    wake.clear();  // clearing a lowered signal is harmless
    EXPECT_EQ(waitSocketOrWake(quiet.get(), wake, 0), WakeResult::TimedOut);
}

TEST(WakeSignal, AReadySocketComesFirst) {
    QuietSocket listening;
    SocketHandle client = connectIPv4("127.0.0.1", localPort(listening.get()));
    ASSERT_NE(client, kNoSocket);
    WakeSignal wake;
    wake.raise();
    EXPECT_EQ(waitSocketOrWake(listening.get(), wake, 1000), WakeResult::Ready);
    closeSocket(client);
}

}  // namespace
}  // namespace korvane::net
