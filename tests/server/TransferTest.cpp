#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "server/FramedSocket.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"
#include "tests/support/Loopback.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using test::SocketPair;

class Transfer : public ::testing::Test {
  protected:
    std::atomic<bool> stopping{false};
    SocketPair pair;
    FramedSocket server{pair.server, stopping};
    FramedSocket client{pair.client, stopping};
};

std::string errorOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const ServerError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST_F(Transfer, RecvDataJoinsPiecesAndKeepsSplitCharactersWhole) {
    // "ab日本" is 6 bytes; the first piece ends inside the first kanji.
    std::thread sender([&] {
        test::sendAll(pair.client, "ab\x93");
        std::this_thread::sleep_for(50ms);
        test::sendAll(pair.client, "\xFA\x96");
        std::this_thread::sleep_for(50ms);
        test::sendAll(pair.client, "\x7B");
    });
    std::string text;
    server.receiveText(text, 6);
    sender.join();
    EXPECT_EQ(text, "ab日本");
}

TEST_F(Transfer, RecvDataOfNothingReturnsAtOnce) {
    std::string text = "old";
    server.receiveText(text, 0);
    EXPECT_EQ(text, "");
}

TEST_F(Transfer, PeerClosingMidBlockIsReported) {
    test::sendAll(pair.client, "0123456789");
    net::closeSocket(pair.client);
    pair.client = net::kNoSocket;
    std::string text;
    EXPECT_EQ(errorOf([&] { server.receiveText(text, 16); }), msg::kDisconnected);
    EXPECT_EQ(text, "0123456789");  // what arrived stays
}

TEST_F(Transfer, StopFlagCancelsEveryWaitWithinAboutASecond) {
    std::thread stopper([&] {
        std::this_thread::sleep_for(200ms);
        stopping = true;
    });
    auto start = std::chrono::steady_clock::now();
    std::string text;
    EXPECT_EQ(errorOf([&] { server.receiveText(text, 16); }), msg::kCancelled);
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(Transfer, SendDataEncodesShiftJis) {
    server.sendText("0000000006500009日本語");
    EXPECT_EQ(test::receiveUpTo(pair.client, 22), "0000000006500009\x93\xFA\x96\x7B\x8C\xEA");
}

TEST_F(Transfer, SendToAVanishedPeerFailsWithoutEndingTheProcess) {
    net::closeSocket(pair.client);
    pair.client = net::kNoSocket;
    std::string big(1 << 20, 'x');
    EXPECT_EQ(errorOf([&] {
                  for (int i = 0; i < 20; ++i) {
                      server.sendText(big);
                  }
              }),
              msg::kDisconnected);
}

TEST_F(Transfer, FilesMoveWhole) {
    for (std::size_t size : {std::size_t{0}, std::size_t{5000}}) {
        std::string content;
        for (std::size_t i = 0; i < size; ++i) {
            content += static_cast<char>(i * 7);
        }
        std::FILE* source = std::tmpfile();
        std::fwrite(content.data(), 1, content.size(), source);
        std::fflush(source);
        server.sendFile(source);
        std::fclose(source);

        std::FILE* target = std::tmpfile();
        client.receiveFile(target, static_cast<std::int64_t>(size));
        std::string received(size, '\0');
        std::rewind(target);
        EXPECT_EQ(std::fread(received.data(), 1, size, target), size);
        std::fclose(target);
        EXPECT_EQ(received, content);
    }
}

}  // namespace
}  // namespace korvane
