#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "server/SSError.h"
#include "server/SSMessages.h"
#include "tests/support/ServerHarness.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using test::Event;
using test::ServerHarness;

TEST(Limits, ConnectionsBeyondTheLimitAreClosedAtOnce) {
    ServerHarness harness{test::AnswerRequests("ok")};
    harness.server().mMaxConnections = 2;
    harness.StartListening();
    net::SocketHandle first = harness.Connect();
    net::SocketHandle second = harness.Connect();
    auto connected = [&](std::size_t n) {
        harness.events().WaitFor([](const Event& e) { return e.kind == 0 && !e.ip.empty(); }, 15s,
                                 n);
    };
    connected(0);
    connected(2);

    net::SocketHandle third = harness.Connect();
    std::string rest;
    EXPECT_TRUE(test::WaitForPeerClose(third, &rest));
    EXPECT_EQ(rest, "");
    Event refused = harness.events().WaitForKind(2);
    EXPECT_EQ(refused.error, msg::kTooManyConnections);
    EXPECT_EQ(refused.ip, "127.0.0.1");

    // The connections already open are served, and once one ends there is room again.
    test::SendAll(first, "0000000035800002123456789012KEY                 101");
    EXPECT_EQ(test::ReceiveUpTo(first, 18), "0000000002200009ok");
    net::closeSocket(first);
    test::SendAll(second, "0000000035800002123456789012KEY                 101");
    EXPECT_EQ(test::ReceiveUpTo(second, 18), "0000000002200009ok");
    net::closeSocket(second);
    // Room again as soon as the server has closed its side of them.
    std::string reply;
    for (int attempt = 0; attempt < 50 && reply.empty(); ++attempt) {
        net::SocketHandle later = harness.Connect();
        test::SendAll(later, "0000000035800002123456789012KEY                 101");
        reply = test::ReceiveUpTo(later, 18);
        if (reply.empty()) {
            std::this_thread::sleep_for(100ms);
        }
    }
    EXPECT_EQ(reply, "0000000002200009ok");
}

TEST(Limits, ARequestMustArriveInTime) {
    ServerHarness harness{test::AnswerRequests("ok")};
    harness.server().mRequestTime = 500ms;
    harness.StartListening();
    for (const std::string sent : {"", "00000000", "0000000035800002123"}) {
        std::size_t before = harness.events().Snapshot().size();
        net::SocketHandle sock = harness.Connect();
        test::SendAll(sock, sent);
        Event timedOut =
            harness.events().WaitFor([](const Event& e) { return e.kind == 2; }, 15s, before);
        EXPECT_EQ(timedOut.error, joinError(msg::kRequestReceiveFailed, msg::kTimedOut)) << sent;
        EXPECT_TRUE(test::WaitForPeerClose(sock)) << sent;
    }
}

}  // namespace
}  // namespace korvane
