#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <thread>

#include "platform/Cp932.h"
#include "server/Framing.h"
#include "tests/handling/HandlerHarness.h"
#include "tests/support/Loopback.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

using test::HandlerHarness;
using Lines = std::vector<std::string>;

const std::string kUnsupported =
    "このリクエストはサポートされていません。サーバー側プログラムのバージョンをチェックしてください"
    "。";

class Conversation : public ::testing::Test {
  protected:
    phone::Outcome converse(const std::string& key, const std::string& data, bool ack = true) {
        return phone::converse("127.0.0.1", harness.port(), key, data, ack);
    }

    // The lines of `key`, once there are `count` of them.
    Lines linesOf(const std::string& key, std::size_t count) {
        return harness.window.waitForLines(key, count);
    }

    HandlerHarness harness;
};

TEST_F(Conversation, RepliesWithoutTheDesktop) {
    struct Case {
        std::string data;
        std::string reply;
        Lines lines;  // after "[KEY][127.0.0.1]"
    };
    const Case cases[] = {
        {"101", "101\t1", {"[Client_Receive]設定確認要求:101", "[Client_Send]設定確認応答:"}},
        {"0101\tx\ty ",
         "101\t1",
         {"[Client_Receive]設定確認要求:0101\tx\ty ", "[Client_Send]設定確認応答:"}},
        {"100",
         "100\t0\t" + kUnsupported,
         {"[Client_Request]サポート外の要求:100", "[Client_Send]" + kUnsupported}},
        // The reply echoes the code as parsed, not as sent.
        {"0106 \tz",
         "106\t0\t" + kUnsupported,
         {"[Client_Request]サポート外の要求:0106 \tz", "[Client_Send]" + kUnsupported}},
        {"-5",
         "-5\t0\t" + kUnsupported,
         {"[Client_Request]サポート外の要求:-5", "[Client_Send]" + kUnsupported}},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string key = "K" + std::to_string(++n);
        phone::Outcome outcome = converse(key, c.data);
        ASSERT_TRUE(outcome.reply) << c.data << ": " << outcome.error;
        EXPECT_EQ(*outcome.reply, c.reply) << c.data;
        EXPECT_FALSE(outcome.fileName);
        Lines expected;
        for (const auto& line : c.lines) {
            expected.push_back("[" + key + "][127.0.0.1]" + line);
        }
        EXPECT_EQ(linesOf(key, expected.size()), expected) << c.data;
    }
    EXPECT_TRUE(harness.desktop.calls().empty());
}

TEST_F(Conversation, ReplyBytesCountShiftJis) {
    phone::PhoneConnection connection("127.0.0.1", harness.port());
    connection.sendRequest("KEY", "106");
    phone::Message reply = connection.receiveMessage();
    EXPECT_EQ(reply.type, 9);
    EXPECT_EQ(reply.body, Cp932::encode("106\t0\t" + kUnsupported));
    EXPECT_EQ(reply.body.size(), 6u + 2 * 48);

    // The whole reply on the wire, header included.
    net::SocketHandle sock = net::connectIPv4("127.0.0.1", harness.port());
    test::sendAll(sock, phone::buildRequest("KEY", "101"));
    EXPECT_EQ(test::receiveUpTo(sock, 21), "0000000005500009101\t1");
    net::closeSocket(sock);
}

TEST_F(Conversation, MalformedRequestsCloseTheConnectionWithoutReply) {
    struct Case {
        std::string data;
        std::string error;
        Lines calls;
    };
    const Case cases[] = {
        {"abc", "'abc' は有効な整数値ではありません。", {}},
        {"", "要求の項目 0 がありません。", {}},
        {"  101", "'  101' は有効な整数値ではありません。", {}},
        {"102\tABC", "要求の項目 2 がありません。", {"focus"}},
        // The barcode and its suffix key are typed before the bad wait code is read.
        {"102\tABC\t1\t2\tx",
         "'x' は有効な整数値ではありません。",
         {"focus", "paste 42 [ABC]", "suffix 2"}},
        {"105\t1080", "要求の項目 2 がありません。", {"focus"}},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string key = "M" + std::to_string(++n);
        auto before = harness.desktop.calls().size();
        phone::Outcome outcome = converse(key, c.data);
        EXPECT_FALSE(outcome.reply) << c.data;
        EXPECT_EQ(outcome.error, "the server closed the connection") << c.data;
        // An intake failure carries no client key: its line has an empty source.
        Lines lines = harness.window.waitForLines("", n);
        ASSERT_EQ(lines.size(), static_cast<std::size_t>(n));
        EXPECT_EQ(lines.back(), "[][127.0.0.1][Client_Error]" + c.error) << c.data;
        Lines calls = harness.desktop.calls();
        EXPECT_EQ(Lines(calls.begin() + static_cast<long>(before), calls.end()), c.calls) << c.data;
    }
    // The desktop lock was released on every failure: a capture still runs.
    EXPECT_EQ(converse("LAST", "103").reply, "103\t1");
}

TEST_F(Conversation, CaptureCommandsSendTheFileThenTheReply) {
    struct Case {
        std::string data;
        std::string reply;
        Lines calls;
        std::string request;  // the request log line's tag and message
    };
    const Case cases[] = {
        {"102\tABC-123\t1\t1\t0",
         "102\t1",
         {"focus", "paste 42 [ABC-123]", "suffix 1", "capture 42 7,9 wait 0"},
         "[Client_Receive]バーコード送信要求:"},
        {"0102\tABC\t0\t2\t3",
         "102\t1",
         {"focus", "paste 42 [ABC]", "capture 42 7,9 wait 3", "suffix 2"},
         "[Client_Receive]バーコード送信要求:"},
        {"102\t  lead and trail  \t\t1\t1   ",
         "102\t1",
         {"focus", "paste 42 [  lead and trail]", "suffix 1", "capture 42 7,9 wait 1"},
         "[Client_Receive]バーコード送信要求:"},
        {"102\t\"say \"\"hi\"\"\tnow\"\t9\t1\t0",
         "102\t1",
         {"focus", "paste 42 [say \"hi\"\tnow]", "suffix 1", "capture 42 7,9 wait 0"},
         "[Client_Receive]バーコード送信要求:"},
        {"103\tignored\t0\t5\t4",
         "103\t1",
         {"focus", "capture 42 7,9 wait 0"},
         "[Client_Request]キャプチャ要求:"},
        {"104\t日本語\t1\t0\t2\t1080\t1920",
         "104\t1",
         {"focus", "paste 42 [日本語]", "suffix 0", "capture2 42 7,9 wait 2 ratio 1080x1920"},
         "[Client_Receive]バーコード送信要求:"},
        {"105\t1920\t1080",
         "105\t1",
         {"focus", "capture2 42 7,9 wait 0 ratio 1920x1080"},
         "[Client_Request]キャプチャ要求:"},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::string key = "C" + std::to_string(++n);
        auto before = harness.desktop.calls().size();
        phone::Outcome outcome = converse(key, c.data);
        ASSERT_TRUE(outcome.reply) << c.data << ": " << outcome.error;
        EXPECT_EQ(*outcome.reply, c.reply) << c.data;
        ASSERT_TRUE(outcome.fileName) << c.data;
        EXPECT_EQ(*outcome.fileName, "capture.png");
        EXPECT_EQ(outcome.fileBytes, harness.desktop.captures().back());
        EXPECT_EQ(outcome.fileBytes.substr(1, 3), "PNG");
        Lines calls = harness.desktop.calls();
        EXPECT_EQ(Lines(calls.begin() + static_cast<long>(before), calls.end()), c.calls) << c.data;
        // A capture alone pauses from before the window is looked up, the lookup inside the pause;
        // after typing, the pause follows what came before it.
        std::size_t captureAt = before;
        while (captureAt < calls.size() && calls[captureAt].rfind("capture", 0) != 0) {
            ++captureAt;
        }
        ASSERT_LT(captureAt, calls.size()) << c.data;
        const auto times = harness.desktop.callTimes();
        const auto pauseFrom = harness.desktop.pauseStarts().back();
        if (captureAt == before + 1) {
            EXPECT_LE(pauseFrom, times[before]) << c.data;
        } else {
            EXPECT_GE(pauseFrom, times[captureAt - 1]) << c.data;
        }
        std::string from = "[" + key + "][127.0.0.1]";
        EXPECT_EQ(linesOf(key, 3), (Lines{from + c.request + c.data, from + "[Client_SendFile]",
                                          from + "[Client_Send]キャプチャ成功"}));
    }
}

TEST_F(Conversation, DesktopFailuresAreAnswered) {
    harness.desktop.pasteSucceeds = false;
    EXPECT_EQ(converse("P", "102\tABC\t1\t1\t0").reply, "102\t1") << "the capture alone decides";
    EXPECT_EQ(harness.desktop.calls().back(), "capture 42 7,9 wait 0") << "no suffix key";
    // The staff see on the PC why the scan did not arrive.
    EXPECT_EQ(
        linesOf("P", 4)[1],
        "[P][127.0.0.1][Client_Error]バーコードの入力に失敗しました:クリップボード を開けません");

    harness.desktop.pasteSucceeds = true;
    harness.desktop.captureError = "[ClientToScreen]が失敗しました。";
    // The suffix key, pressed after the capture here, fails too: its text is not reported.
    phone::Outcome failed = converse("F", "0104\tX\t0\tbad\t0\t480\t800");
    EXPECT_FALSE(failed.fileName);
    EXPECT_EQ(failed.reply, "104\t2\tキャプチャ失敗:[ClientToScreen]が失敗しました。");
    const Lines lines = linesOf("F", 3);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1],
              "[F][127.0.0.1][Client_Error]サフィックスキーの入力に失敗しました:'bad' "
              "は有効な整数値ではありません。");
    EXPECT_EQ(lines[2],
              "[F][127.0.0.1][Client_Send]キャプチャ失敗:[ClientToScreen]が失敗しました。");

    harness.desktop.focusResult = 0;
    auto before = harness.desktop.calls().size();
    EXPECT_EQ(converse("Z", "103").reply, "103\t0");
    EXPECT_EQ(harness.desktop.calls().size(), before + 1) << "nothing typed or captured";
    EXPECT_EQ(linesOf("Z", 2).back(), "[Z][127.0.0.1][Client_Send]送信先の検索に失敗しました。");
}

TEST_F(Conversation, AnUnacknowledgedFileEndsWithoutReply) {
    for (const std::string answer : {"0000000000000009", "0000000005500001"}) {
        phone::PhoneConnection connection("127.0.0.1", harness.port());
        connection.sendRequest("ACK", "103");
        EXPECT_EQ(connection.receiveMessage().type, 3);
        connection.sendRaw(answer);
        EXPECT_TRUE(connection.waitForClose()) << answer;
    }
    Lines lines = linesOf("ACK", 6);
    ASSERT_EQ(lines.size(), 6u);
    // The failure may be logged before the hand-off's own line: it comes from the sender's thread.
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "[ACK][127.0.0.1][Client_Error]ファイル送信に失敗しました。\r\n"
                         "受信した電文が不正です。"),
              2);
    // A transfer that failed ends without the reply, and without its line.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[ACK][127.0.0.1][Client_Send]キャプチャ成功"),
              0);
}

TEST_F(Conversation, OverlappingCapturesOfOnePhoneEachGetTheirOwnPictureAndReply) {
    // A picture big enough that its transfer stalls until the phone reads it.
    harness.desktop.pictureSide = 1200;
    phone::PhoneConnection first("127.0.0.1", harness.port());
    first.sendRequest("SAME", "102\tONE\t1\t1\t0");
    harness.window.waitForLines("SAME", 2);  // the file is on its way

    phone::Outcome second = converse("SAME", "0103");
    phone::Message file = first.receiveMessage();
    first.sendAcknowledgement();
    phone::Message reply = first.receiveMessage();

    auto captures = harness.desktop.captures();
    ASSERT_EQ(captures.size(), 2u);
    ASSERT_NE(captures[0], captures[1]);
    EXPECT_EQ(file.body.substr(780), captures[0]);
    EXPECT_EQ(second.fileBytes, captures[1]);
    // The second capture finished first; each connection still answers for its own request.
    EXPECT_EQ(Cp932::decode(reply.body), "102\t1");
    EXPECT_EQ(second.reply.value_or("(none)"), "103\t1");
    Lines lines = linesOf("SAME", 6);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(), "[SAME][127.0.0.1][Client_Send]キャプチャ成功"), 2);
}

TEST_F(Conversation, LogLinesCarryTheTimeAndServerEvents) {
    converse("T", "101");
    Lines all = harness.window.Lines();
    ASSERT_GE(all.size(), 4u);
    std::regex stamp(R"(\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\].*)");
    for (const auto& line : all) {
        EXPECT_TRUE(std::regex_match(line, stamp)) << line;
    }
    Lines server = harness.window.linesOf("Server");
    EXPECT_EQ(server[0], "[Server][Listner_Information]待ち受けを開始しました。");
    EXPECT_EQ(server[1], "[Server][Listner_Information]クライアントからの接続要求です。");

    harness.server.stop();
    EXPECT_EQ(harness.window.waitForLines("Server", 3).back(),
              "[Server][Listner_Information]待ち受けを終了しました。");
    for (int i = 0; i < 1000 && harness.window.stoppedCount() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(harness.window.stoppedCount(), 1);
}

}  // namespace
}  // namespace korvane
