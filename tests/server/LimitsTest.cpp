#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

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
void expectClosedForTheLimit(ServerHarness& harness, net::SocketHandle sock) {
    std::string rest;
    EXPECT_TRUE(test::waitForPeerClose(sock, &rest));
    EXPECT_EQ(rest, "");
    Event closed = harness.events().waitForKind(EventKind::ClientError);
    EXPECT_EQ(closed.error, msg::kTooManyConnections);
    EXPECT_EQ(closed.ip, "127.0.0.1");
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
    void answerAll(RequestServer& server) {
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
    harness.startListening();
    net::SocketHandle answered = harness.connect();
    test::sendAll(answered, kRequest);
    waitForClientEvents(harness, EventKind::Request, 1);
    net::SocketHandle older = harness.connect();
    waitForClientEvents(harness, EventKind::Information, 2);
    net::SocketHandle younger = harness.connect();
    waitForClientEvents(harness, EventKind::Information, 3);

    net::SocketHandle phone = harness.connect();
    expectClosedForTheLimit(harness, older);

    test::sendAll(phone, kRequest);
    test::sendAll(younger, kRequest);
    waitForClientEvents(harness, EventKind::Request, 3);
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
    waitForClientEvents(harness, EventKind::Request, 2);

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

}  // namespace
}  // namespace korvane
