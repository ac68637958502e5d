#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/Cp932.h"
#include "platform/ProcessId.h"
#include "server/Framing.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"
#include "tests/support/ServerHarness.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using test::Event;
using test::ServerHarness;

const std::string kRequest = "0000000035800002123456789012KEY                 101";

// The temporary folder of one test.
std::filesystem::path tempDir() {
    auto dir = std::filesystem::temp_directory_path() /
               ("korvane-reply-" + std::to_string(currentProcessId()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    return dir;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(Reply, SendsTheHeaderAndTextThenWaitsForTheClientToClose) {
    const std::pair<std::string, std::string> cases[] = {
        {"101\t1", "0000000005500009101\t1"},
        {"", "0000000000000009"},
        {"102\t2\tキャプチャ失敗:x",
         "0000000022400009102\t2\t" + Cp932::encode("キャプチャ失敗:x")},
    };
    for (const auto& [reply, wire] : cases) {
        ServerHarness harness(test::answerRequests(reply));
        harness.startListening();
        net::SocketHandle client = harness.connect();
        test::sendAll(client, kRequest);
        EXPECT_EQ(test::receiveUpTo(client, wire.size()), wire);
        Event request = harness.events().waitForKind(test::kRequest);
        EXPECT_EQ(request.key, "KEY");
        EXPECT_EQ(request.data, "101");
        // The server keeps the connection until the client closes, discarding what it sends.
        EXPECT_FALSE(test::waitForPeerClose(client, nullptr, 300));
        test::sendAll(client, "trailing bytes");
        net::shutdownSocket(client);
        EXPECT_EQ(harness.events().waitForKind(EventKind::ClientError, 1500ms).kind, test::kNoEvent)
            << "no failure reported";
    }
}

TEST(Reply, AfterStopFailsOnTheCallersThread) {
    std::thread::id eventThread;
    ServerHarness harness(
        [&](RequestServer& server, const Event&) {
            // The listener ends meanwhile: it lets the unanswered connection go after a wait.
            server.stop();
            while (server.running()) {
                std::this_thread::sleep_for(50ms);
            }
            eventThread = std::this_thread::get_id();
            return RequestOutcome{.reply = "101\t1"};
        },
        {},
        [&](RequestServer&, const Event& e) {
            if (e.kind == EventKind::ClientError) {
                EXPECT_EQ(std::this_thread::get_id(), eventThread);
            }
        });
    harness.startListening();
    net::SocketHandle client = harness.connect();
    test::sendAll(client, kRequest);
    Event failure = harness.events().waitForKind(EventKind::ClientError);
    EXPECT_EQ(failure.error, joinError(msg::kResponseFailed, msg::kNotListening));
    EXPECT_EQ(failure.key, "KEY");
    EXPECT_TRUE(test::waitForPeerClose(client));
}

TEST(SendFile, SendsNameFieldsAndContentThenAwaitsTheAcknowledgement) {
    auto dir = tempDir();
    std::string content(1000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i % 251);
    }
    writeFile(dir / "capture.png", content);
    ServerHarness harness([&](RequestServer&, const Event&) {
        return RequestOutcome{
            .file = OutgoingFile::open((dir / "capture.png").string(), "capture.png", ""),
            .reply = "102\t1"};
    });
    harness.startListening();
    net::SocketHandle client = harness.connect();
    test::sendAll(client, kRequest);
    std::string expected = "0000001780600003" + ("capture.png" + std::string(249, ' ')) +
                           std::string(520, ' ') + content;
    EXPECT_EQ(test::receiveUpTo(client, expected.size()), expected);
    test::sendAll(client, "0000000000000001");
    EXPECT_EQ(test::receiveUpTo(client, 21), "0000000005500009102\t1");
    std::filesystem::remove_all(dir);
}

TEST(SendFile, SendsTheFileAsItWasWhenHandedOver) {
    // The path is rewritten (replaced whole) right after the hand-off, before the transfer runs.
    auto dir = tempDir();
    auto path = dir / "capture.png";
    writeFile(path, "first capture");
    {
        ServerHarness harness([&](RequestServer&, const Event&) {
            RequestOutcome outcome{.file = OutgoingFile::open(path.string(), "capture.png", "")};
            writeFile(dir / "next", "second capture, longer");
            std::filesystem::rename(dir / "next", path);
            return outcome;
        });
        harness.startListening();
        net::SocketHandle client = harness.connect();
        test::sendAll(client, kRequest);
        std::string message = test::receiveUpTo(client, 16 + 780 + 13);
        EXPECT_EQ(message.substr(0, 16), "0000000793900003");
        EXPECT_EQ(message.substr(796), "first capture");
    }
    // Only once the server has ended: the rewrite may still be under way when the file arrives.
    std::filesystem::remove_all(dir);
}

TEST(SendFile, FailuresCloseTheConnection) {
    auto dir = tempDir();
    writeFile(dir / "capture.png", "png");
    const std::string prefix = std::string(msg::kSendFileFailed) + "\r\n";
    struct Case {
        std::string file;
        std::string answer;  // the client's answer to the file message
        std::string error;   // beginning of the failure text
    };
    const Case cases[] = {
        {"capture.png", "0000000000000009", prefix + msg::kInvalidMessage},
        {"capture.png", "0000000005500001", prefix + msg::kInvalidMessage},
        {"capture.png", "0000000000100001", prefix + msg::kInvalidMessage},
        {"capture.png", "", prefix + msg::kDisconnected},
        {"missing.png", "", prefix + "ファイル \""},
    };
    for (const auto& c : cases) {
        ServerHarness harness([&](RequestServer&, const Event&) {
            return RequestOutcome{
                .file = OutgoingFile::open((dir / c.file).string(), "capture.png", ""),
                .reply = "102\t1"};
        });
        harness.startListening();
        net::SocketHandle client = harness.connect();
        test::sendAll(client, kRequest);
        std::string received;
        if (c.file == "capture.png") {
            received = test::receiveUpTo(client, 16 + 780 + 3);
            if (c.answer.empty()) {
                net::shutdownSocket(client);
            } else {
                test::sendAll(client, c.answer);
            }
        }
        Event failure = harness.events().waitForKind(EventKind::ClientError);
        EXPECT_EQ(failure.error.substr(0, c.error.size()), c.error) << c.answer;
        std::string rest;
        EXPECT_TRUE(test::waitForPeerClose(client, &rest));
        EXPECT_EQ(rest, "") << "nothing follows a failure";
        if (c.file == "missing.png") {
            EXPECT_EQ(received, "");
        }
    }
    std::filesystem::remove_all(dir);
}

// A peer that takes the file and never acknowledges it is closed after the acknowledgement time.
TEST(SendFile, AnAcknowledgementThatNeverComesEndsTheTransfer) {
    auto dir = tempDir();
    writeFile(dir / "capture.png", "png");
    ServerHarness harness(
        [&](RequestServer&, const Event&) {
            return RequestOutcome{
                .file = OutgoingFile::open((dir / "capture.png").string(), "capture.png", ""),
                .reply = "102\t1"};
        },
        {.acknowledgeTime = 300ms});
    harness.startListening();
    net::SocketHandle client = harness.connect();
    test::sendAll(client, kRequest);
    std::string received;
    EXPECT_TRUE(test::waitForPeerClose(client, &received, 5000));
    EXPECT_EQ(received.size(), 16u + 780 + 3);
    Event failure = harness.events().waitForKind(EventKind::ClientError);
    EXPECT_EQ(failure.error, joinError(msg::kSendFileFailed, msg::kTimedOut));
    std::filesystem::remove_all(dir);
}

// A file asked of the phone goes to a temporary file that replaces the target only once it is
// whole: an answer beyond the size cap, or one that stalls past the receive time, leaves the
// target as it was and nothing beside it.
TEST(RecvFile, AFailedTransferLeavesTheTargetAlone) {
    auto dir = tempDir();
    const auto target = dir / "received.bin";
    struct Case {
        std::string answer;
        std::string error;
    };
    const Case cases[] = {
        {makeHeader(1001, MessageType::Answer) + "too big", msg::kInvalidMessage},
        {makeHeader(100, MessageType::Answer) + "only ten..", msg::kTimedOut},
    };
    for (const Case& c : cases) {
        writeFile(target, "old");
        ServerHarness harness(
            [&](RequestServer&, const Event&) {
                return RequestOutcome{.fetch = RequestOutcome::Fetch{target.string(), "phone.txt"}};
            },
            {.fileReceiveTime = 300ms, .maxReceivedFile = 1000});
        harness.startListening();
        net::SocketHandle client = harness.connect();
        test::sendAll(client, kRequest);
        EXPECT_EQ(test::receiveUpTo(client, 276).size(), 276u);
        // Before the answer: the target is untouched.
        EXPECT_EQ(std::filesystem::file_size(target), 3u);
        test::sendAll(client, c.answer);
        EXPECT_TRUE(test::waitForPeerClose(client, nullptr, 5000)) << c.error;
        Event failure = harness.events().waitForKind(EventKind::ClientError);
        EXPECT_EQ(failure.error, joinError(msg::kRecvFileFailed, c.error));
        EXPECT_EQ(std::filesystem::file_size(target), 3u) << c.error;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                                std::filesystem::directory_iterator()),
                  1)
            << "a temporary file was left behind";
    }
    std::filesystem::remove_all(dir);
}

TEST(RecvFile, AsksForTheFileAndStoresIt) {
    auto dir = tempDir();
    for (std::string content : {std::string(), std::string(5000, 'z')}) {
        auto target = dir / "received.bin";
        ServerHarness harness([&](RequestServer&, const Event&) {
            return RequestOutcome{.fetch = RequestOutcome::Fetch{target.string(), "phone.txt"}};
        });
        harness.startListening();
        net::SocketHandle client = harness.connect();
        test::sendAll(client, kRequest);
        EXPECT_EQ(test::receiveUpTo(client, 276),
                  "0000000260800004phone.txt" + std::string(251, ' '));
        test::sendAll(
            client,
            makeHeader(static_cast<std::int64_t>(content.size()), MessageType::Answer) + content);
        // The reply follows once the file is stored.
        EXPECT_EQ(test::receiveUpTo(client, 16), "0000000000000009");
        EXPECT_EQ(std::filesystem::file_size(target), content.size());
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace korvane
