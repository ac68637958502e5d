#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <future>
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
    ServerHarness harness([](RequestServer&, Connection*, const Event& e) {
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
    // Event 3 arrives, nobody replies: the listener waits for it, then closes it itself.
    ServerHarness harness;
    harness.startListening();
    net::SocketHandle client = harness.connect();
    test::sendAll(client,
                  "0000000035800002"
                  "123456789012"
                  "KEY                 "
                  "101");
    harness.events().waitForKind(EventKind::Request);
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

// Segments this client socket had to send again (a SYN or data the server side dropped).
unsigned retransmissions(int sock) {
    tcp_info info{};
    socklen_t length = sizeof info;
    EXPECT_EQ(::getsockopt(sock, IPPROTO_TCP, TCP_INFO, &info, &length), 0);
    return info.tcpi_total_retrans;
}

TEST(Listener, ABurstOf64PhonesIsAnsweredWithoutATcpRetry) {
    // The 64 connect while the listener is held in its start event, already listening but not
    // yet accepting: every connection waits in the listen queue, as in a burst that comes while
    // the server is busy. A short queue drops the rest, and each of those waits a second or more
    // for TCP to try again.
    constexpr int kPhones = 64;
    std::promise<void> listening;
    std::promise<void> burstDone;
    std::shared_future<void> release = burstDone.get_future().share();
    ServerHarness harness([&](RequestServer& server, Connection* handle, const Event& e) {
        if (e.kind == EventKind::Information && e.data == msg::kListeningStarted) {
            listening.set_value();
            release.wait();
        } else if (e.kind == EventKind::Request) {
            server.reply(*handle, 99, "ok");
        }
    });
    const std::uint16_t port = test::freePort();
    ASSERT_EQ(harness.server().start("127.0.0.1", port), std::nullopt);
    listening.get_future().wait();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<int> phones;
    for (int i = 0; i < kPhones; ++i) {
        int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ASSERT_GE(sock, 0);
        const int rc = ::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ASSERT_TRUE(rc == 0 || errno == EINPROGRESS) << i;
        phones.push_back(sock);
    }
    burstDone.set_value();
    for (int i = 0; i < kPhones; ++i) {
        ASSERT_EQ(net::waitSocket(phones[i], true, 15000), net::WaitResult::Ready) << i;
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(phones[i], SOL_SOCKET, SO_ERROR, &error, &length);
        EXPECT_EQ(error, 0) << "connect " << i;
        test::sendAll(phones[i], "0000000035800002123456789012KEY                 101");
    }
    for (int i = 0; i < kPhones; ++i) {
        EXPECT_EQ(test::receiveUpTo(phones[i], 18), "0000000002200009ok") << i;
        EXPECT_EQ(retransmissions(phones[i]), 0u) << "phone " << i;
        net::closeSocket(phones[i]);
    }
}

}  // namespace
}  // namespace korvane
