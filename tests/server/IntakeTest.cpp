#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/Cp932.h"
#include "server/Framing.h"
#include "server/ServerMessages.h"
#include "tests/support/ServerHarness.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using test::Event;
using test::ServerHarness;

std::string Request(const std::string& bodyUtf8) {
    std::string body = Cp932::encode(bodyUtf8);
    return makeHeader(static_cast<std::int64_t>(body.size()), MessageType::Request) + body;
}

class Intake : public ::testing::Test {
  protected:
    void SetUp() override { harness.startListening(); }

    // Sends `bytes`, then waits for the connection's outcome (kind 2 or 3).
    Event Send(const std::string& bytes, bool closeAfter = false) {
        client = harness.connect();
        test::sendAll(client, bytes);
        if (closeAfter) {
            net::shutdownSocket(client);
        }
        return harness.events().waitFor([](const Event& e) {
            return e.kind == EventKind::ClientError || e.kind == test::kRequest;
        });
    }

    ServerHarness harness{test::answerRequests("")};
    net::SocketHandle client = net::kNoSocket;
};

TEST_F(Intake, ReadsKeyAndDataByCharacterPosition) {
    struct Case {
        std::string body;
        std::string key;
        std::string data;
    };
    const Case cases[] = {
        {"123456789012KEY                 101", "KEY", "101"},
        {"123456789012KEY\t\r               ", "KEY", ""},  // exactly 32 characters
        {"1234567890", "", ""},
        {"123456789012端末１\x01                102\t日本語\t1 ", "端末１", "102\t日本語\t1 "},
        {"日本語日本語日本語日本語ABCDEFGHIJKLMNOPQRST101", "ABCDEFGHIJKLMNOPQRST", "101"},
    };
    for (const auto& c : cases) {
        ServerHarness local{test::answerRequests("")};
        local.startListening();
        net::SocketHandle sock = local.connect();
        test::sendAll(sock, Request(c.body));
        Event request =
            local.events().waitFor([](const Event& e) { return e.kind == test::kRequest; });
        EXPECT_EQ(request.key, c.key) << c.body;
        EXPECT_EQ(request.data, c.data) << c.body;
        EXPECT_EQ(request.ip, "127.0.0.1");
    }
}

TEST_F(Intake, ConnectionEventComesFirst) {
    Send(Request("123456789012KEY                 101"));
    auto events = harness.events().snapshot();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[1].kind, EventKind::Information);
    EXPECT_EQ(events[1].ip, "127.0.0.1");
    EXPECT_EQ(events[1].data, msg::kConnectionRequest);
}

TEST_F(Intake, JapaneseTextSplitAcrossPiecesArrivesWhole) {
    std::string bytes = Request("123456789012鍵キー                 品番\tＡＢＣ");
    client = harness.connect();
    for (char byte : bytes) {
        test::sendAll(client, std::string(1, byte));
        std::this_thread::sleep_for(2ms);
    }
    Event request = harness.events().waitForKind(test::kRequest);
    EXPECT_EQ(request.key, "鍵キー");
    EXPECT_EQ(request.data, "品番\tＡＢＣ");
}

TEST_F(Intake, RejectsBadMessagesAndClosesWithoutAnswer) {
    const std::string prefix = std::string(msg::kRequestReceiveFailed) + "\r\n";
    struct Case {
        std::string bytes;
        bool closeAfter;
        std::string error;
    };
    const Case cases[] = {
        {"0000000035700002" + std::string(35, 'x'), false, prefix + msg::kInvalidMessage},
        {"0000000003300001abc", false, msg::kRequestReceiveFailed},
        {"0000000003300009abc", false, msg::kRequestReceiveFailed},
        {"00000000033abcde", false, "'abcde' は有効な整数値ではありません。"},
        {"000000003a300002", false, prefix + "'a' は有効な整数値ではありません。"},
        {"0000000035", true, prefix + msg::kDisconnected},              // closed mid-header
        {"0000000035800002123456", true, prefix + msg::kDisconnected},  // closed mid-body
        {"0001048577200002", false, prefix + msg::kInvalidMessage},     // above 1 MiB
        {"2147483647600002", false, prefix + msg::kInvalidMessage},
        {"9999999999000002", false, prefix + "'9999999999' は有効な整数値ではありません。"},
    };
    for (const auto& c : cases) {
        ServerHarness local{test::answerRequests("")};
        local.startListening();
        net::SocketHandle sock = local.connect();
        test::sendAll(sock, c.bytes);
        if (c.closeAfter) {
            net::shutdownSocket(sock);
        }
        Event failure = local.events().waitForKind(EventKind::ClientError);
        EXPECT_EQ(failure.error, c.error) << c.bytes;
        EXPECT_EQ(failure.key, "");
        std::string rest;
        EXPECT_TRUE(test::waitForPeerClose(sock, &rest)) << c.bytes;
        EXPECT_EQ(rest, "") << "nothing is sent back";
    }
}

TEST_F(Intake, AcceptsABodyOfExactlyTheLimit) {
    std::string body = "123456789012KEY                 " + std::string(kMaxRequestBody - 32, 'd');
    Event request = Send(Request(body));
    EXPECT_EQ(request.kind, test::kRequest);
    EXPECT_EQ(request.data.size(), static_cast<std::size_t>(kMaxRequestBody - 32));
}

TEST_F(Intake, StopCancelsASilentPeerWithinAboutASecond) {
    client = harness.connect();
    test::sendAll(client, "00000000");
    harness.events().waitFor(
        [](const Event& e) { return e.kind == EventKind::Information && !e.ip.empty(); });
    auto start = std::chrono::steady_clock::now();
    harness.server().stop();
    Event cancelled = harness.events().waitForKind(EventKind::ClientError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(cancelled.error, std::string(msg::kRequestReceiveFailed) + "\r\n" + msg::kCancelled);
    harness.events().waitForKind(EventKind::ListenerEnded);
}

TEST_F(Intake, ServesTwoClientsAtOnce) {
    net::SocketHandle slow = harness.connect();
    test::sendAll(slow, Request("123456789012SLOW                101").substr(0, 20));
    net::SocketHandle fast = harness.connect();
    test::sendAll(fast, Request("123456789012FAST                101"));
    Event first = harness.events().waitForKind(test::kRequest);
    EXPECT_EQ(first.key, "FAST");
    test::sendAll(slow, Request("123456789012SLOW                101").substr(20));
    Event second = harness.events().waitFor(
        [](const Event& e) { return e.kind == test::kRequest && e.key == "SLOW"; });
    EXPECT_EQ(second.data, "101");
}

// A request that waits is served on the thread that read it, which hands the listening on: the
// server must go on accepting, reading and answering, both requests that wait and those
// answered on the listener's own thread.
TEST(IntakeWhileServing, ARequestThatWaitsHoldsUpNoOther) {
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ServerHarness harness([&, released](RequestServer&, const Event& e) {
        if (e.key == "WAIT") {
            entered.set_value();
            released.wait();
        }
        return RequestOutcome{.reply = e.key};
    });
    harness.setQuick([](const std::string& data) { return data == "101"; });
    harness.startListening();
    net::SocketHandle waiting = harness.connect();
    test::sendAll(waiting, Request("123456789012WAIT                103"));
    ASSERT_EQ(entered.get_future().wait_for(15s), std::future_status::ready);
    for (const char* body :
         {"123456789012QUICK               101", "123456789012TASK                103"}) {
        SCOPED_TRACE(body);
        net::SocketHandle other = harness.connect();
        test::sendAll(other, Request(body));
        const std::string key = std::string(body).substr(12, 4);
        EXPECT_NE(test::receiveUpTo(other, kHeaderLength + 4, 5000).find(key), std::string::npos);
    }
    release.set_value();
    EXPECT_NE(test::receiveUpTo(waiting, kHeaderLength + 4, 5000).find("WAIT"), std::string::npos);
}

// Requests that arrive together come from one wait of the listener: each that waits hands the
// listening on with the rest of them, so the next thread must serve that rest, and each must be
// handed on before it is reported (the ones that wait here wait for one another).
TEST(IntakeWhileServing, RequestsFromOneWaitAreEachServed) {
    constexpr int kWaiting = 3;
    std::mutex lock;
    std::condition_variable changed;
    bool held = false;
    bool letGo = false;
    int entered = 0;
    ServerHarness harness([&](RequestServer&, const Event& e) {
        std::unique_lock guard(lock);
        if (e.key == "HOLD") {
            // A quick request: it holds the listener's thread while the others arrive.
            held = true;
            changed.notify_all();
            changed.wait_for(guard, 15s, [&] { return letGo; });
        } else if (e.key == "WAIT") {
            ++entered;
            changed.notify_all();
            changed.wait_for(guard, 15s, [&] { return entered == kWaiting; });
        }
        guard.unlock();
        return RequestOutcome{.reply = e.key};
    });
    harness.setQuick([](const std::string& data) { return data == "101"; });
    harness.startListening();
    std::vector<net::SocketHandle> clients;
    for (int i = 0; i <= kWaiting; ++i) {
        clients.push_back(harness.connect());
    }
    // Accepted, and so watched, before the listener's thread is held.
    ASSERT_TRUE(harness.events().waitForCount(
        [](const Event& e) { return e.kind == EventKind::Information && !e.ip.empty(); },
        clients.size()));
    net::SocketHandle holder = harness.connect();
    test::sendAll(holder, Request("123456789012HOLD                101"));
    {
        std::unique_lock guard(lock);
        ASSERT_TRUE(changed.wait_for(guard, 15s, [&] { return held; }));
    }
    for (int i = 0; i < kWaiting; ++i) {
        test::sendAll(clients[i], Request("123456789012WAIT                103"));
    }
    test::sendAll(clients[kWaiting], Request("123456789012FAST                101"));
    // All there before the listener waits again.
    std::this_thread::sleep_for(100ms);
    {
        std::lock_guard guard(lock);
        letGo = true;
    }
    changed.notify_all();
    EXPECT_NE(test::receiveUpTo(holder, kHeaderLength + 4, 5000).find("HOLD"), std::string::npos);
    for (int i = 0; i <= kWaiting; ++i) {
        const std::string key = i < kWaiting ? "WAIT" : "FAST";
        EXPECT_NE(test::receiveUpTo(clients[i], kHeaderLength + 4, 5000).find(key),
                  std::string::npos)
            << i;
    }
}

TEST_F(Intake, AFailureEscapingTheRequestEventClosesTheConnection) {
    ServerHarness throwing([](RequestServer&, const Event&) -> RequestOutcome {
        throw std::runtime_error("'abc' is not a command");
    });
    throwing.startListening();
    net::SocketHandle sock = throwing.connect();
    test::sendAll(sock, Request("123456789012KEY                 abc"));
    Event failure = throwing.events().waitForKind(EventKind::ClientError);
    EXPECT_EQ(failure.error, "'abc' is not a command");
    EXPECT_EQ(failure.ip, "127.0.0.1");
    EXPECT_TRUE(test::waitForPeerClose(sock));
}

}  // namespace
}  // namespace korvane
