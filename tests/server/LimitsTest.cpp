#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "server/Framing.h"
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
void WaitForClientEvents(ServerHarness& harness, EventKind kind, std::size_t count) {
    EXPECT_TRUE(harness.events().WaitForCount(
        [kind](const Event& e) { return e.kind == kind && !e.ip.empty(); }, count))
        << count << " events of kind " << static_cast<int>(kind) << " did not come";
}

// The connection is closed without a byte, and the log says why.
void ExpectClosedForTheLimit(ServerHarness& harness, net::SocketHandle sock,
                             const std::string& address = "127.0.0.1") {
    std::string rest;
    EXPECT_TRUE(test::WaitForPeerClose(sock, &rest));
    EXPECT_EQ(rest, "");
    Event closed = harness.events().WaitForKind(EventKind::ClientError);
    EXPECT_EQ(closed.error, msg::kTooManyConnections);
    EXPECT_EQ(closed.ip, address);
}

// Answers requests only once told to, so that connections can be held past their request.
class HeldReplies {
  public:
    ServerHarness::Reaction Reaction() {
        return [this](RequestServer& server, Connection* handle, const Event& e) {
            std::lock_guard guard(mLock);
            if (e.kind == EventKind::Request && mAnswering) {
                server.reply(*handle, 99, "ok");
            } else if (e.kind == EventKind::Request) {
                mHeld.push_back(handle);
            }
        };
    }
    // Answers the held requests and every later one at once.
    void AnswerAll(RequestServer& server) {
        std::lock_guard guard(mLock);
        for (Connection* handle : mHeld) {
            server.reply(*handle, 99, "ok");
        }
        mAnswering = true;
    }

  private:
    std::mutex mLock;
    std::vector<Connection*> mHeld;
    bool mAnswering = false;
};

// Peers that connect and send nothing must not crowd out the phones: at the limit the oldest
// connection still waiting for its request gives way to the newcomer, while one whose request
// has been read keeps its place however old it is.
TEST(Limits, AtTheLimitTheOldestSilentConnectionMakesRoom) {
    HeldReplies replies;
    ServerHarness harness{replies.Reaction(), {.maxConnections = 3}};
    harness.StartListening();
    net::SocketHandle answered = harness.Connect();
    test::SendAll(answered, kRequest);
    WaitForClientEvents(harness, EventKind::Request, 1);
    net::SocketHandle older = harness.Connect();
    WaitForClientEvents(harness, EventKind::Information, 2);
    net::SocketHandle younger = harness.Connect();
    WaitForClientEvents(harness, EventKind::Information, 3);

    net::SocketHandle phone = harness.Connect();
    ExpectClosedForTheLimit(harness, older);

    test::SendAll(phone, kRequest);
    test::SendAll(younger, kRequest);
    WaitForClientEvents(harness, EventKind::Request, 3);
    replies.AnswerAll(harness.server());
    for (net::SocketHandle served : {answered, younger, phone}) {
        EXPECT_EQ(test::ReceiveUpTo(served, 18), kReply);
    }
}

// When every connection has delivered its request and awaits its reply, none may be dropped:
// the newcomer is closed at once, and there is room again once one of them has ended.
TEST(Limits, ConnectionsBeyondTheLimitAreClosedWhenAllArePastTheirRequest) {
    HeldReplies replies;
    ServerHarness harness{replies.Reaction(), {.maxConnections = 2}};
    harness.StartListening();
    net::SocketHandle first = harness.Connect();
    net::SocketHandle second = harness.Connect();
    test::SendAll(first, kRequest);
    test::SendAll(second, kRequest);
    WaitForClientEvents(harness, EventKind::Request, 2);

    ExpectClosedForTheLimit(harness, harness.Connect());

    replies.AnswerAll(harness.server());
    EXPECT_EQ(test::ReceiveUpTo(first, 18), kReply);
    EXPECT_EQ(test::ReceiveUpTo(second, 18), kReply);
    net::shutdownSocket(first);
    net::shutdownSocket(second);
    // Room again as soon as the server has closed its side of them.
    std::string reply;
    for (int attempt = 0; attempt < 50 && reply.empty(); ++attempt) {
        net::SocketHandle later = harness.Connect();
        test::SendAll(later, kRequest);
        reply = test::ReceiveUpTo(later, 18, 1000);
        if (reply.empty()) {
            std::this_thread::sleep_for(100ms);
        }
    }
    EXPECT_EQ(reply, kReply);
}

TEST(Limits, ARequestMustArriveInTime) {
    ServerHarness harness{test::AnswerRequests("ok"), {.requestTime = 500ms}};
    harness.StartListening();
    for (const std::string sent : {"", "00000000", "0000000035800002123"}) {
        std::size_t before = harness.events().Snapshot().size();
        net::SocketHandle sock = harness.Connect();
        test::SendAll(sock, sent);
        Event timedOut = harness.events().WaitFor(
            [](const Event& e) { return e.kind == EventKind::ClientError; }, 15s, before);
        EXPECT_EQ(timedOut.error, joinError(msg::kRequestReceiveFailed, msg::kTimedOut)) << sent;
        EXPECT_TRUE(test::WaitForPeerClose(sock)) << sent;
    }
}

// 256 peers that take their reply and never close, spread over eight addresses so that no
// peer's own cap is what stops them, must not shut a phone out: a connection past its reply gives
// way at the limit like one still waiting for its request.
TEST(Limits, PeersThatNeverCloseAfterTheirReplyDoNotShutThePhonesOut) {
    ServerHarness harness{test::AnswerRequests("ok")};
    harness.StartListening();
    for (int i = 0; i < 256; ++i) {
        net::SocketHandle lingering = harness.Connect("127.0.0." + std::to_string(10 + i % 8));
        test::SendAll(lingering, kRequest);
        ASSERT_EQ(test::ReceiveUpTo(lingering, 18), kReply) << i;
    }
    net::SocketHandle phone = harness.Connect("127.0.0.2");
    test::SendAll(phone, kRequest);
    EXPECT_EQ(test::ReceiveUpTo(phone, 18), kReply);
}

// After its reply a peer has the close time to close; then the server closes it.
TEST(Limits, APeerThatNeverClosesAfterItsReplyIsClosed) {
    ServerHarness harness{test::AnswerRequests("ok"), {.closeTime = 300ms}};
    harness.StartListening();
    net::SocketHandle lingering = harness.Connect();
    test::SendAll(lingering, kRequest);
    std::string rest;
    EXPECT_TRUE(test::WaitForPeerClose(lingering, &rest, 5000));
    EXPECT_EQ(rest, kReply);
}

// One peer address holds at most its own cap of connections. At the cap its own oldest silent
// connection gives way; when all of its connections are past their request its newcomer is
// closed. Another peer is served all along.
TEST(Limits, OnePeerCannotHoldMoreThanItsShareOfConnections) {
    HeldReplies replies;
    ServerHarness harness{replies.Reaction(), {.maxConnectionsPerPeer = 2}};
    harness.StartListening();
    const std::string greedy = "127.0.0.3";
    net::SocketHandle oldest = harness.Connect(greedy);
    WaitForClientEvents(harness, EventKind::Information, 1);
    net::SocketHandle second = harness.Connect(greedy);
    WaitForClientEvents(harness, EventKind::Information, 2);
    net::SocketHandle third = harness.Connect(greedy);
    ExpectClosedForTheLimit(harness, oldest, greedy);

    test::SendAll(second, kRequest);
    test::SendAll(third, kRequest);
    WaitForClientEvents(harness, EventKind::Request, 2);
    net::SocketHandle fourth = harness.Connect(greedy);
    std::string rest;
    EXPECT_TRUE(test::WaitForPeerClose(fourth, &rest));
    EXPECT_EQ(rest, "");

    net::SocketHandle phone = harness.Connect("127.0.0.4");
    test::SendAll(phone, kRequest);
    WaitForClientEvents(harness, EventKind::Request, 3);
    replies.AnswerAll(harness.server());
    for (net::SocketHandle served : {second, third, phone}) {
        EXPECT_EQ(test::ReceiveUpTo(served, 18), kReply);
    }
}

long ResidentKiB() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// A header that declares the largest body costs nothing until the body arrives: 256 peers that
// send only such a header hold next to no memory, while open and after they have gone.
TEST(Limits, DeclaredBodiesHoldNoMemoryUntilTheyArrive) {
    ServerHarness harness{test::AnswerRequests("ok")};
    harness.StartListening();
    const long before = ResidentKiB();
    const std::string header = makeHeader(kMaxRequestBody, MessageType::Request);
    std::vector<net::SocketHandle> peers;
    for (int i = 0; i < 256; ++i) {
        peers.push_back(harness.Connect("127.0.0." + std::to_string(10 + i % 8)));
        test::SendAll(peers.back(), header + "0");
    }
    WaitForClientEvents(harness, EventKind::Information, 256);
    // Time for every intake to have read what it was sent.
    std::this_thread::sleep_for(500ms);
    const long open = ResidentKiB();
    for (net::SocketHandle peer : peers) {
        net::shutdownSocket(peer);
    }
    WaitForClientEvents(harness, EventKind::ClientError, 256);
    const long after = ResidentKiB();
    // 256 bodies reserved at their declared size would take 256 MiB.
    EXPECT_LT(open - before, 48 * 1024) << "KiB while open";
    EXPECT_LT(after - before, 48 * 1024) << "KiB after";
}

}  // namespace
}  // namespace korvane
