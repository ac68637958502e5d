#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "server/ServerError.h"
#include "server/ServerMessages.h"
#include "tests/support/ServerHarness.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using test::Event;
using test::ServerHarness;

// A connection whose request has been reported, and that nobody answers: the listener waits for
// it when stopping, five seconds at most.
net::SocketHandle sendUnansweredRequest(ServerHarness& harness) {
    net::SocketHandle client = harness.connect();
    test::sendAll(client,
                  "0000000035800002"
                  "123456789012"
                  "KEY                 "
                  "101");
    harness.events().waitForKind(test::kRequest);
    return client;
}

TEST(Listener, StartsStopsAndStartsAgainOnTheSamePort) {
    ServerHarness harness;
    harness.startListening();
    net::SocketHandle client = harness.connect();  // leaves a connection behind on the port
    harness.events().waitFor(
        [](const Event& e) { return e.kind == EventKind::Information && !e.ip.empty(); });
    net::shutdownSocket(client);
    harness.events().waitForKind(EventKind::ClientError);

    auto start = std::chrono::steady_clock::now();
    harness.stopAndWait();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(harness.server().running());
    auto events = harness.events().snapshot();
    EXPECT_EQ(events.back().kind, EventKind::ListenerEnded);
    EXPECT_EQ(events.back().data, msg::kListeningEnded);

    ASSERT_EQ(harness.server().start("127.0.0.1", harness.port()), std::nullopt);
    Event again = harness.events().waitFor(
        [](const Event& e) {
            return e.kind == EventKind::Information && e.data == msg::kListeningStarted;
        },
        std::chrono::seconds(15), events.size());
    EXPECT_EQ(again.kind, EventKind::Information);
    EXPECT_EQ(harness.events().snapshot().size(), events.size() + 1) << "no failure in between";
}

TEST(Listener, RefusesASecondStartAndAStartWhileStopping) {
    ServerHarness harness;
    harness.startListening();
    EXPECT_EQ(harness.server().start("127.0.0.1", harness.port()), msg::kAlreadyListening);

    // A request nobody answers keeps the listener stopping for seconds: a stop with nothing
    // open would end before the second start could come.
    sendUnansweredRequest(harness);
    harness.server().stop();
    EXPECT_EQ(harness.server().start("127.0.0.1", harness.port()), msg::kAlreadyListening);
    harness.events().waitForKind(EventKind::ListenerEnded);
}

TEST(Listener, StopWhileStoppedReportsAtOnceOnTheCallersThread) {
    ServerHarness harness;
    harness.server().stop();
    auto events = harness.events().snapshot();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::ListenerEnded);
    EXPECT_EQ(events[0].data, msg::kNotListening);
}

TEST(Listener, BindFailuresEndTheListener) {
    net::SocketHandle taken = net::openTcpSocket();
    ASSERT_TRUE(net::bindIPv4(taken, "127.0.0.1", 0));
    ASSERT_TRUE(net::listenOn(taken, 1));
    const std::pair<std::string, std::int32_t> cases[] = {
        {"192.0.2.1", 65001},                  // not an address of this machine
        {"127.0.0.1", net::localPort(taken)},  // port in use
        {"127.0.0.1", 70000},                  // no such port
        {"127.0.0.1", 0},
        {"not-an-address", 65001},
    };
    for (const auto& [address, port] : cases) {
        ServerHarness harness;
        ASSERT_EQ(harness.server().start(address, port), std::nullopt);
        Event ended = harness.events().waitForKind(EventKind::ListenerEnded);
        auto events = harness.events().snapshot();
        ASSERT_EQ(events.size(), 2u) << address << ":" << port;
        EXPECT_EQ(events[0].kind, EventKind::ListenerError);
        EXPECT_EQ(events[0].error, joinError(msg::kStartListeningFailed, msg::kBindFailed));
        EXPECT_EQ(ended.data, msg::kListeningEnded);
        EXPECT_FALSE(harness.server().running());
    }
    net::closeSocket(taken);
}

TEST(Listener, AFailureEscapingTheStartEventFailsTheStart) {
    ServerHarness harness(nullptr, {}, [](RequestServer&, const Event& e) {
        if (e.kind == EventKind::Information) {
            throw std::runtime_error("window gone");
        }
    });
    ASSERT_EQ(harness.server().start("127.0.0.1", test::freePort()), std::nullopt);
    harness.events().waitForKind(EventKind::ListenerEnded);
    Event failure = harness.events().waitForKind(EventKind::ListenerError);
    EXPECT_EQ(failure.error, joinError(msg::kStartListeningFailed, "window gone"));
}

TEST(Listener, StopClosesAConnectionThatWasNeverAnswered) {
    // The request arrives, nobody answers: the listener waits for it, then closes it itself.
    ServerHarness harness;
    harness.startListening();
    net::SocketHandle client = sendUnansweredRequest(harness);
    auto start = std::chrono::steady_clock::now();
    harness.server().stop();
    EXPECT_TRUE(test::waitForPeerClose(client));
    harness.events().waitForKind(EventKind::ListenerEnded);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 4s);
    EXPECT_LT(waited, 10s);
}

TEST(Listener, StopWithNoConnectionEndsTheListenerAtOnce) {
    // Stopped at several points of the listener's wait: none may wait for the wait to run out.
    ServerHarness harness;
    const std::uint16_t port = test::freePort();
    for (int round = 0; round < 4; ++round) {
        const std::size_t before = harness.events().snapshot().size();
        ASSERT_EQ(harness.server().start("127.0.0.1", port), std::nullopt);
        Event started = harness.events().waitFor(
            [](const Event& e) { return e.kind == EventKind::Information && e.ip.empty(); },
            std::chrono::seconds(15), before);
        ASSERT_EQ(started.data, msg::kListeningStarted);
        std::this_thread::sleep_for(std::chrono::milliseconds(round * 250));
        const std::size_t listening = harness.events().snapshot().size();
        const auto start = std::chrono::steady_clock::now();
        harness.server().stop();
        harness.events().waitFor([](const Event& e) { return e.kind == EventKind::ListenerEnded; },
                                 std::chrono::seconds(15), listening);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "round " << round;
        EXPECT_FALSE(harness.server().running());
    }
}

}  // namespace
}  // namespace korvane
