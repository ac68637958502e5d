// Linux only: the client's own count of retransmitted segments (TCP_INFO) tells whether a
// connection attempt had to be retried.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <future>
#include <vector>

#include "server/ServerMessages.h"
#include "tests/support/ServerHarness.h"

namespace korvane {
namespace {

using test::Event;
using test::ServerHarness;

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
    ServerHarness harness(
        test::answerRequests("ok"),
        // All 64 come from 127.0.0.1: the per-peer cap is not what this test is about.
        {.maxConnectionsPerPeer = kPhones}, [&](RequestServer&, const Event& e) {
            if (e.kind == EventKind::Information && e.data == msg::kListeningStarted) {
                listening.set_value();
                release.wait();
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
