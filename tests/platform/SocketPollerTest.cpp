#include "platform/SocketPoller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/Socket.h"

namespace korvane::net {
namespace {

using namespace std::chrono_literals;

// Both ends of a connection over 127.0.0.1.
struct Pair {
    Pair() {
        SocketHandle listening = openTcpSocket();
        EXPECT_TRUE(bindIPv4(listening, "127.0.0.1", 0));
        EXPECT_TRUE(listenOn(listening, kMaxBacklog));
        client = connectIPv4("127.0.0.1", localPort(listening));
        std::string peer;
        server = acceptIPv4(listening, peer);
        closeSocket(listening);
    }
    ~Pair() {
        closeSocket(server);
        if (client != kNoSocket) {
            closeSocket(client);
        }
    }
    void send(const char* text) const { EXPECT_GT(sendSome(client, text, std::strlen(text)), 0); }

    SocketHandle server = kNoSocket;
    SocketHandle client = kNoSocket;
};

std::vector<void*> waitFor(SocketPoller& poller, int timeoutMs) {
    std::vector<void*> ready;
    EXPECT_TRUE(poller.wait(timeoutMs, ready));
    return ready;
}

TEST(SocketPoller, AWatchedSocketIsReportedOnceUntilWatchedAgain) {
    SocketPoller poller;
    Pair pair;
    int key = 0;
    poller.watch(pair.server, &key);
    EXPECT_TRUE(waitFor(poller, 100).empty()) << "nothing to read yet";
    pair.send("x");
    EXPECT_EQ(waitFor(poller, 5000), std::vector<void*>{&key});
    // The byte is still unread: a report now would be a second one.
    EXPECT_TRUE(waitFor(poller, 100).empty());
    poller.watch(pair.server, &key);
    EXPECT_EQ(waitFor(poller, 5000), std::vector<void*>{&key});
}

TEST(SocketPoller, AlwaysWatchedSocketsAreReportedByEveryWaitAndAtThePeersEnd) {
    SocketPoller poller;
    Pair first;
    Pair second;
    int firstKey = 0;
    int secondKey = 0;
    poller.watchAlways(first.server, &firstKey);
    poller.watch(second.server, &secondKey);
    first.send("x");
    closeSocket(second.client);
    second.client = kNoSocket;
    std::vector<void*> ready;
    for (int i = 0; i < 50 && ready.size() < 2; ++i) {
        EXPECT_TRUE(poller.wait(100, ready));
    }
    EXPECT_EQ(std::count(ready.begin(), ready.end(), &secondKey), 1);
    EXPECT_EQ(waitFor(poller, 5000), std::vector<void*>{&firstKey});
    EXPECT_EQ(waitFor(poller, 5000), std::vector<void*>{&firstKey});
}

TEST(SocketPoller, ASocketWatchedFromAnotherThreadJoinsAWaitUnderWay) {
    SocketPoller poller;
    Pair pair;
    pair.send("x");
    int key = 0;
    std::thread watcher([&] {
        std::this_thread::sleep_for(50ms);
        poller.watch(pair.server, &key);
    });
    const auto start = std::chrono::steady_clock::now();
    std::vector<void*> ready;
    // A minute's timeout: only the socket can end this wait in time.
    while (ready.empty() && std::chrono::steady_clock::now() - start < 10s) {
        EXPECT_TRUE(poller.wait(60000, ready));
    }
    watcher.join();
    EXPECT_EQ(ready, std::vector<void*>{&key});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

TEST(SocketPoller, AForgottenSocketIsNotReported) {
    SocketPoller poller;
    Pair pair;
    int key = 0;
    poller.watchAlways(pair.server, &key);
    poller.forget(pair.server);
    // Closed as the server closes a connection it forgot: the set must not keep it.
    closeSocket(pair.server);
    pair.server = openTcpSocket();
    EXPECT_TRUE(waitFor(poller, 200).empty());
}

}  // namespace
}  // namespace korvane::net
