#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "server/Connection.h"
#include "server/Framing.h"
#include "server/PeerLimits.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"
#include "tests/support/ServerHarness.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using test::Event;
using test::ServerHarness;

constexpr char kRequest[] = "0000000035800002123456789012KEY                 101";
constexpr char kReply[] = "0000000002200009ok";

// Waits until `count` events of kind `kind` from a client have been raised.
void waitForClientEvents(ServerHarness& harness, EventKind kind, std::size_t count) {
    EXPECT_TRUE(harness.events().waitForCount(
        [kind](const Event& e) { return e.kind == kind && !e.ip.empty(); }, count))
        << count << " events of kind " << static_cast<int>(kind) << " did not come";
}

// The connection is closed without a byte, and the log says why.
void expectClosedForTheLimit(ServerHarness& harness, net::SocketHandle sock,
                             const std::string& address = "127.0.0.1") {
    std::string rest;
    EXPECT_TRUE(test::waitForPeerClose(sock, &rest));
    EXPECT_EQ(rest, "");
    Event closed = harness.events().waitForKind(EventKind::ClientError);
    EXPECT_EQ(closed.error, msg::kTooManyConnections);
    EXPECT_EQ(closed.ip, address);
}

// Answers requests only once told to, so that connections can be held past their request.
class HeldReplies {
  public:
    ServerHarness::Answer Reaction() {
        return [this](RequestServer&, const Event&) {
            std::unique_lock guard(mLock);
            mChanged.wait_for(guard, std::chrono::seconds(15), [this] { return mAnswering; });
            return RequestOutcome{.reply = "ok"};
        };
    }
    // Answers the held requests and every later one at once.
    void answerAll(RequestServer&) {
        {
            std::lock_guard guard(mLock);
            mAnswering = true;
        }
        mChanged.notify_all();
    }

  private:
    std::mutex mLock;
    std::condition_variable mChanged;
    bool mAnswering = false;
};

// Peers that connect and send nothing must not crowd out the phones: at the limit the oldest
// connection still waiting for its request gives way to the newcomer, while one whose request
// has been read keeps its place however old it is.
TEST(Limits, AtTheLimitTheOldestSilentConnectionMakesRoom) {
    HeldReplies replies;
    ServerHarness harness{replies.Reaction(), {.maxConnections = 3}};
    harness.startListening();
    net::SocketHandle answered = harness.connect();
    test::sendAll(answered, kRequest);
    waitForClientEvents(harness, test::kRequest, 1);
    net::SocketHandle older = harness.connect();
    waitForClientEvents(harness, EventKind::Information, 2);
    net::SocketHandle younger = harness.connect();
    waitForClientEvents(harness, EventKind::Information, 3);

    net::SocketHandle phone = harness.connect();
    expectClosedForTheLimit(harness, older);

    test::sendAll(phone, kRequest);
    test::sendAll(younger, kRequest);
    waitForClientEvents(harness, test::kRequest, 3);
    replies.answerAll(harness.server());
    for (net::SocketHandle served : {answered, younger, phone}) {
        EXPECT_EQ(test::receiveUpTo(served, 18), kReply);
    }
}

// When every connection has delivered its request and awaits its reply, none may be dropped:
// the newcomer is closed at once, and there is room again once one of them has ended.
TEST(Limits, ConnectionsBeyondTheLimitAreClosedWhenAllArePastTheirRequest) {
    HeldReplies replies;
    ServerHarness harness{replies.Reaction(), {.maxConnections = 2}};
    harness.startListening();
    net::SocketHandle first = harness.connect();
    net::SocketHandle second = harness.connect();
    test::sendAll(first, kRequest);
    test::sendAll(second, kRequest);
    waitForClientEvents(harness, test::kRequest, 2);

    expectClosedForTheLimit(harness, harness.connect());

    replies.answerAll(harness.server());
    EXPECT_EQ(test::receiveUpTo(first, 18), kReply);
    EXPECT_EQ(test::receiveUpTo(second, 18), kReply);
    net::shutdownSocket(first);
    net::shutdownSocket(second);
    // Room again as soon as the server has closed its side of them.
    std::string reply;
    for (int attempt = 0; attempt < 50 && reply.empty(); ++attempt) {
        net::SocketHandle later = harness.connect();
        test::sendAll(later, kRequest);
        reply = test::receiveUpTo(later, 18, 1000);
        if (reply.empty()) {
            std::this_thread::sleep_for(100ms);
        }
    }
    EXPECT_EQ(reply, kReply);
}

TEST(Limits, ARequestMustArriveInTime) {
    ServerHarness harness{test::answerRequests("ok"), {.requestTime = 500ms}};
    harness.startListening();
    for (const std::string sent : {"", "00000000", "0000000035800002123"}) {
        std::size_t before = harness.events().snapshot().size();
        net::SocketHandle sock = harness.connect();
        test::sendAll(sock, sent);
        Event timedOut = harness.events().waitFor(
            [](const Event& e) { return e.kind == EventKind::ClientError; }, 15s, before);
        EXPECT_EQ(timedOut.error, joinError(msg::kRequestReceiveFailed, msg::kTimedOut)) << sent;
        EXPECT_TRUE(test::waitForPeerClose(sock)) << sent;
    }
}

// 256 peers that take their reply and never close, spread over eight addresses so that no
// peer's own cap is what stops them, must not shut a phone out: a connection past its reply gives
// way at the limit like one still waiting for its request.
TEST(Limits, PeersThatNeverCloseAfterTheirReplyDoNotShutThePhonesOut) {
    ServerHarness harness{test::answerRequests("ok")};
    harness.startListening();
    for (int i = 0; i < 256; ++i) {
        net::SocketHandle lingering = harness.connect("127.0.0." + std::to_string(10 + i % 8));
        test::sendAll(lingering, kRequest);
        ASSERT_EQ(test::receiveUpTo(lingering, 18), kReply) << i;
    }
    net::SocketHandle phone = harness.connect("127.0.0.2");
    test::sendAll(phone, kRequest);
    EXPECT_EQ(test::receiveUpTo(phone, 18), kReply);
}

// Peers that keep their requests arriving a byte at a time on every one of the 256 slots, from
// eight addresses so that no peer's own cap is what stops them, hold no slot against a phone
// once their requests are a few seconds old: they give way like peers that sent nothing.
TEST(Limits, PeersTricklingBytesOnEverySlotDoNotShutThePhonesOut) {
    const ServerLimits limits;
    ServerHarness harness{test::answerRequests("ok")};
    harness.startListening();
    // A request that announces a body it never finishes: it stays unread to the end.
    const std::string header = makeHeader(kMaxRequestBody, MessageType::Request);
    std::vector<net::SocketHandle> tricklers;
    for (std::size_t i = 0; i < limits.maxConnections; ++i) {
        tricklers.push_back(harness.connect("127.0.0." + std::to_string(10 + i % 8)));
        test::sendAll(tricklers.back(), header);
    }
    waitForClientEvents(harness, EventKind::Information, limits.maxConnections);
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        while (!stop) {
            for (net::SocketHandle sock : tricklers) {
                net::sendSome(sock, "0", 1);
            }
            std::this_thread::sleep_for(5ms);
        }
    });
    std::this_thread::sleep_for(limits.slowRequestTime + 500ms);

    net::SocketHandle phone = harness.connect("127.0.0.2");
    test::sendAll(phone, kRequest);
    EXPECT_EQ(test::receiveUpTo(phone, 18), kReply);
    stop = true;
    trickle.join();
}

// After its reply a peer has the close time to close; then the server closes it.
TEST(Limits, APeerThatNeverClosesAfterItsReplyIsClosed) {
    ServerHarness harness{test::answerRequests("ok"), {.closeTime = 300ms}};
    harness.startListening();
    net::SocketHandle lingering = harness.connect();
    test::sendAll(lingering, kRequest);
    std::string rest;
    EXPECT_TRUE(test::waitForPeerClose(lingering, &rest, 5000));
    EXPECT_EQ(rest, kReply);
}

// One peer address holds at most its own cap of connections. At the cap its own oldest silent
// connection gives way; when all of its connections are past their request its newcomer is
// closed. Another peer is served all along.
TEST(Limits, OnePeerCannotHoldMoreThanItsShareOfConnections) {
    HeldReplies replies;
    ServerHarness harness{replies.Reaction(), {.maxConnectionsPerPeer = 2}};
    harness.startListening();
    const std::string greedy = "127.0.0.3";
    net::SocketHandle oldest = harness.connect(greedy);
    waitForClientEvents(harness, EventKind::Information, 1);
    net::SocketHandle second = harness.connect(greedy);
    waitForClientEvents(harness, EventKind::Information, 2);
    net::SocketHandle third = harness.connect(greedy);
    expectClosedForTheLimit(harness, oldest, greedy);

    test::sendAll(second, kRequest);
    test::sendAll(third, kRequest);
    waitForClientEvents(harness, test::kRequest, 2);
    net::SocketHandle fourth = harness.connect(greedy);
    std::string rest;
    EXPECT_TRUE(test::waitForPeerClose(fourth, &rest));
    EXPECT_EQ(rest, "");

    net::SocketHandle phone = harness.connect("127.0.0.4");
    test::sendAll(phone, kRequest);
    waitForClientEvents(harness, test::kRequest, 3);
    replies.answerAll(harness.server());
    for (net::SocketHandle served : {second, third, phone}) {
        EXPECT_EQ(test::receiveUpTo(served, 18), kReply);
    }
}

// Who gives way at the limit, as the listener asks when a connection arrives: bytes not yet read
// keep a young connection's place (they may be a phone's whole request), not an old one's; a
// request already read keeps its place however old.
TEST(PeerLimits, UnreadBytesKeepAPlaceOnlyForAFewSeconds) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kSlow = 3s;
    struct Case {
        const char* name;
        bool unreadBytes;
        bool requestRead;
        Clock::duration age;
        bool givesWay;
    };
    const Case cases[] = {
        {"silent", false, false, 0s, true},
        {"young with bytes", true, false, 0s, false},
        {"young with bytes, just under the time", true, false, kSlow - 100ms, false},
        {"old with bytes", true, false, kSlow + 100ms, true},
        {"old, request read", false, true, kSlow + 100ms, false},
    };
    // The total limit, and one peer's own cap with room in the total.
    const PeerLimits bounds[] = {{1, 32, kSlow}, {256, 1, kSlow}};
    for (const Case& c : cases) {
        for (const PeerLimits& limits : bounds) {
            test::SocketPair pair;
            auto held = std::make_shared<Connection>(std::exchange(pair.server, net::kNoSocket), 1,
                                                     "127.0.0.5");
            if (c.unreadBytes) {
                test::sendAll(pair.client, "0000");
                for (int i = 0; i < 100 && net::pendingBytes(held->socket()) == 0; ++i) {
                    std::this_thread::sleep_for(10ms);
                }
            }
            if (c.requestRead) {
                ASSERT_TRUE(held->finishIntake()) << c.name;
            }
            const bool room = limits.makeRoom({held}, "127.0.0.5", held->opened() + c.age);
            EXPECT_EQ(room, c.givesWay) << c.name;
            EXPECT_EQ(held->takenBack(), c.givesWay) << c.name;
            std::string rest;
            EXPECT_EQ(test::waitForPeerClose(pair.client, &rest, c.givesWay ? 5000 : 50),
                      c.givesWay)
                << c.name;
        }
    }
}

}  // namespace
}  // namespace korvane
