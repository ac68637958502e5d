#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "handling/CsvText.h"
#include "handling/DuplicateGuard.h"
#include "handling/ScanHistory.h"
#include "handling/TypedWindowKinds.h"
#include "tests/handling/HandlerHarness.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::HandlerHarness;
using Lines = std::vector<std::string>;

const std::string kBom = "\xEF\xBB\xBF";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TempFolder {
  public:
    TempFolder()
        : path(fs::temp_directory_path() / ("korvane-handling-" + std::to_string(::getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() { fs::remove_all(path); }
    fs::path path;
};

TEST(DuplicateGuardTest, RepeatsOnlyFromTheSamePhoneStrictlyInsideTheWindow) {
    const DuplicateGuard::Clock::time_point t0{std::chrono::hours(1)};
    struct Case {
        const char* key;
        const char* text;
        std::chrono::milliseconds after;
        std::chrono::milliseconds window;
        bool repeat;
    };
    const Case cases[] = {
        {"P1", "4901", 0ms, 2000ms, true},     {"P1", "4901", 1999ms, 2000ms, true},
        {"P1", "4901", 2000ms, 2000ms, false},  // the window's end types again
        {"P1", "4902", 10ms, 2000ms, false},    // another code
        {"P2", "4901", 10ms, 2000ms, false},    // another phone
        {"P1", "4901 ", 10ms, 2000ms, false},   // texts are compared whole
        {"P1", "4901", 10ms, 0ms, false},       // the guard is off
        {"P1", "4901", -10ms, 2000ms, false},   // a clock that went back is no repeat
    };
    for (const Case& c : cases) {
        DuplicateGuard guard;
        guard.remember("P1", "4901", t0, c.window > 0ms ? c.window : 2000ms);
        EXPECT_EQ(guard.isRepeat(c.key, c.text, t0 + c.after, c.window), c.repeat)
            << c.key << " " << c.text << " +" << c.after.count() << "ms in " << c.window.count();
    }

    // Skipped scans do not extend the window; typing again starts a new one.
    DuplicateGuard guard;
    guard.remember("P1", "A", t0, 1000ms);
    EXPECT_TRUE(guard.isRepeat("P1", "A", t0 + 900ms, 1000ms));
    EXPECT_FALSE(guard.isRepeat("P1", "A", t0 + 1100ms, 1000ms));
    guard.remember("P1", "A", t0 + 1100ms, 1000ms);
    EXPECT_TRUE(guard.isRepeat("P1", "A", t0 + 2050ms, 1000ms));
    // What lies beyond the window is forgotten when something new is remembered.
    guard.remember("P1", "B", t0 + 5000ms, 1000ms);
    EXPECT_FALSE(guard.isRepeat("P1", "A", t0 + 5000ms, 10000ms));
}

TEST(CsvTextTest, QuotesEveryFieldAndDefusesFormulas) {
    struct Case {
        std::vector<std::string> fields;
        std::string record;
    };
    const Case cases[] = {
        {{"plain", ""}, "\"plain\",\"\"\r\n"},
        {{"say \"hi\"", "a,b"}, "\"say \"\"hi\"\"\",\"a,b\"\r\n"},
        {{"tab\there", "line\r\nbreak"}, "\"tab\there\",\"line\r\nbreak\"\r\n"},
        {{"日本語の漢字", "ｶﾅ"}, "\"日本語の漢字\",\"ｶﾅ\"\r\n"},
        {{"=1+2", "+3", "-4", "@SUM(A1)", "\tx", "a=b"},
         "\"'=1+2\",\"'+3\",\"'-4\",\"'@SUM(A1)\",\"'\tx\",\"a=b\"\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(csvRecord(c.fields), c.record);
    }
}

TEST(ScanHistoryTest, StartsWithBomAndHeaderAndRotatesBySize) {
    TempFolder folder;
    const fs::path file = folder.path / "sub" / "scans.csv";
    const std::string header = ScanHistory::header();
    EXPECT_EQ(header, "\"time\",\"phone\",\"address\",\"text\",\"result\"\r\n");
    const ScanRecord record{"2024-05-01 12:00:00", "PHONE", "192.168.1.5", "漢字\t\"x\"", "typed"};
    const std::string line =
        csvRecord({record.time, record.clientKey, record.address, record.text, record.result});
    // Room for the header and two lines: the third begins a new file.
    ScanHistory history(file, kBom.size() + header.size() + 2 * line.size(), 2);
    for (int i = 0; i < 7; ++i) {
        history.append(record);
    }
    // 7 lines: 2 + 2 + 2 in the rotated files (the oldest pair dropped), 1 in the current one.
    EXPECT_EQ(readFile(file), kBom + header + line);
    EXPECT_EQ(readFile(folder.path / "sub" / "scans.1.csv"), kBom + header + line + line);
    EXPECT_EQ(readFile(folder.path / "sub" / "scans.2.csv"), kBom + header + line + line);
    EXPECT_FALSE(fs::exists(folder.path / "sub" / "scans.3.csv"));

    // A single line larger than the limit still gets written, alone in its file.
    ScanHistory tiny(folder.path / "tiny.csv", 10, 1);
    tiny.append(record);
    tiny.append(record);
    EXPECT_EQ(readFile(folder.path / "tiny.csv"), kBom + header + line);
    EXPECT_EQ(readFile(folder.path / "tiny.1.csv"), kBom + header + line);
}

class EverydayConversation : public ::testing::Test {
  protected:
    phone::Outcome converse(const std::string& key, const std::string& data) {
        return phone::converse("127.0.0.1", harness.port(), key, data, true);
    }
    Lines callsSince(std::size_t before) {
        Lines calls = harness.desktop.calls();
        return Lines(calls.begin() + static_cast<long>(before), calls.end());
    }

    HandlerHarness harness;
};

TEST_F(EverydayConversation, InputMethodDecidesHowTheBarcodeGoes) {
    struct Case {
        InputMethod method;
        bool restore;
        std::chrono::milliseconds delay;
        std::string typing;
    };
    const Case cases[] = {
        {InputMethod::Paste, false, 50ms, "paste 42 [ABC]"},
        {InputMethod::Paste, true, 0ms, "paste-restore 42 [ABC]"},
        {InputMethod::TypeKeys, true, 0ms, "type 42 [ABC] 0ms"},
        {InputMethod::TypeKeys, false, 25ms, "type 42 [ABC] 25ms"},
    };
    for (const Case& c : cases) {
        HandlingOptions options;
        options.inputMethod = c.method;
        options.restoreClipboard = c.restore;
        options.keyDelay = c.delay;
        harness.handler.setOptions(options);
        const std::size_t before = harness.desktop.calls().size();
        EXPECT_EQ(converse("K", "102\tABC\t1\t1\t0").reply, "102\t1");
        EXPECT_EQ(callsSince(before),
                  (Lines{"focus", c.typing, "suffix 1", "capture 42 7,9 wait 0"}));
    }
}

// A window that does not paste (a terminal, a button) took nothing: the staff are told, the
// history says so, and the phone hears what the capture decides, as for a typed barcode. The
// suffix key still goes, for a window that takes the text after the wait.
TEST_F(EverydayConversation, APasteTheWindowDidNotTakeIsReportedNotCountedAsTyped) {
    TempFolder folder;
    HandlingOptions options;
    options.duplicateWindow = 60s;
    options.history = std::make_shared<ScanHistory>(folder.path / "scans.csv");
    struct Case {
        const char* key;
        bool restore;
        std::string captureError;
        std::string data;
        std::string reply;
        Lines calls;
        std::size_t lineCount;
        std::string lastLine;
    };
    const Case cases[] = {
        {"N1",
         false,
         "",
         "102\t4901\t1\t1\t0",
         "102\t1",
         {"focus", "paste 42 [4901]", "suffix 1", "capture 42 7,9 wait 0"},
         4,
         "[Client_Send]キャプチャ成功"},
        {"N2",
         true,
         "[ClientToScreen]が失敗しました。",
         "104\t4902\t0\t2\t0\t480\t800",
         "104\t2\tキャプチャ失敗:[ClientToScreen]が失敗しました。",
         {"focus", "paste-restore 42 [4902]", "capture2 42 7,9 wait 0 ratio 480x800", "suffix 2"},
         3,
         "[Client_Send]キャプチャ失敗:[ClientToScreen]が失敗しました。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        options.restoreClipboard = c.restore;
        harness.handler.setOptions(options);
        harness.desktop.pasteTaken = false;
        harness.desktop.captureError = c.captureError;
        const std::size_t before = harness.desktop.calls().size();
        EXPECT_EQ(converse(c.key, c.data).reply, c.reply);
        EXPECT_EQ(callsSince(before), c.calls);
        const std::string from = std::string("[") + c.key + "][127.0.0.1]";
        const Lines lines = harness.window.waitForLines(c.key, c.lineCount);
        ASSERT_EQ(lines.size(), c.lineCount);
        EXPECT_EQ(lines[1], from +
                                "[Client_Error]"
                                "貼り付けたバーコードを送信先のウィンドウが受け取りませんでした。");
        EXPECT_EQ(lines.back(), from + c.lastLine);

        // Nothing arrived, so the same scan once the right window has the focus is no repeat.
        harness.desktop.pasteTaken = true;
        harness.desktop.captureError.clear();
        converse(c.key, c.data);
        EXPECT_EQ(harness.desktop.calls()[before + 5].substr(0, 5), "paste");
    }
    const std::string csv = readFile(folder.path / "scans.csv");
    for (const char* line : {"\"N1\",\"127.0.0.1\",\"4901\",\"not delivered\"\r\n\"",
                             "\"N1\",\"127.0.0.1\",\"4901\",\"typed\"\r\n",
                             "\"N2\",\"127.0.0.1\",\"4902\",\"not delivered\"\r\n\"",
                             "\"N2\",\"127.0.0.1\",\"4902\",\"typed\"\r\n"}) {
        EXPECT_NE(csv.find(line), std::string::npos) << line << " in " << csv;
    }
}

// The automatic method pastes until a window's kind misses a paste; that miss is reported as any
// paste's and recorded as not delivered, and the kind's next scans are typed (with the key delay).
// A window that names no kind is never learned; the other methods ignore the list.
TEST_F(EverydayConversation, TheAutomaticMethodTypesIntoTheKindsThatMissedAPaste) {
    TempFolder folder;
    auto kinds = std::make_shared<TypedWindowKinds>();
    int changes = 0;
    kinds->onChanged([&changes] { ++changes; });
    HandlingOptions options;
    options.inputMethod = InputMethod::Automatic;
    options.keyDelay = 5ms;
    options.history = std::make_shared<ScanHistory>(folder.path / "scans.csv");
    options.typedKinds = kinds;
    harness.handler.setOptions(options);
    const std::string notTaken =
        "[Client_Error]貼り付けたバーコードを送信先のウィンドウが受け取りませんでした。";

    struct Case {
        const char* kind;
        bool pasteTaken;
        const char* barcode;
        std::string typing;
        bool reported;
    };
    const Case cases[] = {
        {"Gedit", true, "A1", "paste 42 [A1]", false},
        {"XTerm", false, "A2", "paste 42 [A2]", true},
        {"XTerm", false, "A3", "type 42 [A3] 5ms", false},
        {"Gedit", true, "A4", "paste 42 [A4]", false},
        {"", false, "A5", "paste 42 [A5]", true},
        {"", false, "A6", "paste 42 [A6]", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.barcode);
        harness.desktop.windowKind = c.kind;
        harness.desktop.pasteTaken = c.pasteTaken;
        const std::size_t before = harness.desktop.calls().size();
        const std::string key = std::string("K") + c.barcode;
        EXPECT_EQ(converse(key, std::string("102\t") + c.barcode + "\t1\t1\t0").reply, "102\t1");
        EXPECT_EQ(callsSince(before),
                  (Lines{"focus", c.typing, "suffix 1", "capture 42 7,9 wait 0"}));
        const Lines lines = harness.window.waitForLines(key, c.reported ? 4 : 3);
        const bool reported = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(notTaken) != std::string::npos;
        });
        EXPECT_EQ(reported, c.reported);
    }
    EXPECT_EQ(kinds->list(), Lines{"XTerm"});
    EXPECT_EQ(changes, 1);
    const std::string csv = readFile(folder.path / "scans.csv");
    for (const char* line : {"\"A2\",\"not delivered\"", "\"A3\",\"typed\""}) {
        EXPECT_NE(csv.find(line), std::string::npos) << line << " in " << csv;
    }

    // A paste or typed keys by choice take no heed of the kinds, and learn none.
    for (const auto& [method, typing] : {std::pair{InputMethod::Paste, "paste 42 [B1]"},
                                         std::pair{InputMethod::TypeKeys, "type 42 [B1] 5ms"}}) {
        options.inputMethod = method;
        harness.handler.setOptions(options);
        harness.desktop.windowKind = method == InputMethod::Paste ? "XTerm" : "Other";
        const std::size_t before = harness.desktop.calls().size();
        converse("B", "102\tB1\t1\t1\t0");
        EXPECT_EQ(callsSince(before)[1], typing);
    }
    EXPECT_EQ(kinds->list(), Lines{"XTerm"});
}

// Kept oldest first and bounded: one more forgets the oldest; what a settings line could not keep
// is not learned; each change is told, a kind already kept or not kept is no change.
TEST(TypedWindowKindsTest, LearnsForgetsAndStaysBounded) {
    TypedWindowKinds kinds({"", "A", "A", "B\nC", "C"});
    EXPECT_EQ(kinds.list(), (Lines{"A", "C"}));
    int changes = 0;
    kinds.onChanged([&changes] { ++changes; });
    EXPECT_FALSE(kinds.learn("A"));
    EXPECT_FALSE(kinds.learn(""));
    EXPECT_FALSE(kinds.learn("tab\there"));
    EXPECT_FALSE(kinds.learn(std::string(TypedWindowKinds::kLongestKind + 1, 'x')));
    EXPECT_TRUE(kinds.learn(std::string(TypedWindowKinds::kLongestKind, 'x')));
    EXPECT_TRUE(kinds.learn(" Quoted \"kind\" "));
    EXPECT_TRUE(kinds.contains(" Quoted \"kind\" "));
    EXPECT_FALSE(kinds.contains(""));
    EXPECT_EQ(changes, 2);
    kinds.forget("nothing kept");
    kinds.forget("A");
    EXPECT_FALSE(kinds.contains("A"));
    EXPECT_EQ(changes, 3);

    TypedWindowKinds full;
    for (std::size_t i = 0; i <= TypedWindowKinds::kMostKinds; ++i) {
        full.learn("kind" + std::to_string(i));
    }
    const Lines kept = full.list();
    ASSERT_EQ(kept.size(), TypedWindowKinds::kMostKinds);
    EXPECT_EQ(kept.front(), "kind1");
    EXPECT_EQ(kept.back(), "kind" + std::to_string(TypedWindowKinds::kMostKinds));
    EXPECT_FALSE(full.contains("kind0"));
}

// While the session is locked no command touches the desktop beyond the question: every one is
// answered (code, "0") with no picture, the log says why, and a barcode's scan is in the history
// as not typed. Unlocked, the same barcode is typed (it was no repeat: nothing went in).
TEST_F(EverydayConversation, ALockedSessionIsNeitherTypedIntoNorCaptured) {
    TempFolder folder;
    HandlingOptions options;
    options.duplicateWindow = 60s;
    options.history = std::make_shared<ScanHistory>(folder.path / "scans.csv");
    harness.handler.setOptions(options);
    harness.desktop.locked = true;
    const std::string locked =
        "[L][127.0.0.1][Client_Error]"
        "画面がロックされているため、入力とキャプチャを行いませんでした。";
    const char* const requests[] = {"102	4901	1	1	0", "103",
                                    "104	4901	0	2	0	480	800",
                                    "105	1080	1920"};
    std::size_t lines = 0;
    for (const std::string data : requests) {
        const phone::Outcome outcome = converse("L", data);
        EXPECT_EQ(outcome.reply, data.substr(0, 3) + "\t0") << data;
        EXPECT_FALSE(outcome.fileName) << data;
        lines += 2;
        EXPECT_EQ(harness.window.waitForLines("L", lines).back(), locked) << data;
    }
    EXPECT_TRUE(harness.desktop.calls().empty());

    harness.desktop.locked = false;
    EXPECT_EQ(converse("L", requests[0]).reply, "102\t1");
    EXPECT_EQ(callsSince(0),
              (Lines{"focus", "paste 42 [4901]", "suffix 1", "capture 42 7,9 wait 0"}));
    const std::string csv = readFile(folder.path / "scans.csv");
    for (const char* line : {"\"L\",\"127.0.0.1\",\"4901\",\"not typed: session locked\"\r\n\"",
                             "\"L\",\"127.0.0.1\",\"4901\",\"typed\"\r\n"}) {
        EXPECT_NE(csv.find(line), std::string::npos) << line << " in " << csv;
    }
}

TEST_F(EverydayConversation, RepeatedScanIsAnsweredAsTypedButNotTyped) {
    TempFolder folder;
    HandlingOptions options;
    options.duplicateWindow = 60s;
    options.history = std::make_shared<ScanHistory>(folder.path / "scans.csv");
    harness.handler.setOptions(options);

    EXPECT_EQ(converse("P1", "102\t4901\t1\t1\t0").reply, "102\t1");
    std::size_t before = harness.desktop.calls().size();
    phone::Outcome repeat = converse("P1", "102\t4901\t1\t1\t0");
    EXPECT_EQ(repeat.reply, "102\t1");
    EXPECT_EQ(repeat.fileName, "capture.png");
    EXPECT_EQ(callsSince(before), (Lines{"focus", "capture 42 7,9 wait 0"}));
    const Lines lines = harness.window.waitForLines("P1", 7);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[3], "[P1][127.0.0.1][Client_Receive]バーコード送信要求:102\t4901\t1\t1\t0");
    EXPECT_EQ(lines[4], "[P1][127.0.0.1][Client_Skip]重複スキャンのため入力しませんでした:4901");

    // Another phone, another code and the capture-only request are not held back.
    before = harness.desktop.calls().size();
    EXPECT_EQ(converse("P2", "104\t4901\t0\t2\t0\t480\t800").reply, "104\t1");
    EXPECT_EQ(converse("P1", "102\t4902\t1\t0\t0").reply, "102\t1");
    EXPECT_EQ(converse("P1", "103").reply, "103\t1");
    EXPECT_EQ(callsSince(before),
              (Lines{"focus", "paste 42 [4901]", "capture2 42 7,9 wait 0 ratio 480x800", "suffix 2",
                     "focus", "paste 42 [4902]", "suffix 0", "capture 42 7,9 wait 0", "focus",
                     "capture 42 7,9 wait 0"}));

    // A scan that was not typed is tried again at the next scan.
    harness.desktop.pasteSucceeds = false;
    EXPECT_EQ(converse("P3", "102\tX\t1\t1\t0").reply, "102\t1");
    harness.desktop.pasteSucceeds = true;
    harness.desktop.focusResult = 0;
    EXPECT_EQ(converse("P3", "102\tX\t1\t1\t0").reply, "102\t0");
    harness.desktop.focusResult = 42;
    before = harness.desktop.calls().size();
    EXPECT_EQ(converse("P3", "102\tX\t1\t1\t0").reply, "102\t1");
    EXPECT_EQ(callsSince(before)[1], "paste 42 [X]");

    // The history has every barcode request, capture-only requests not included.
    const std::string csv = readFile(folder.path / "scans.csv");
    ASSERT_TRUE(csv.starts_with(kBom + ScanHistory::header())) << csv;
    std::vector<std::string> results;
    for (std::size_t at = csv.find("\r\n") + 2; at < csv.size();) {
        const std::size_t end = csv.find("\r\n", at);
        const std::string record = csv.substr(at, end - at);
        // Everything after the time stamp, whose value is the clock's.
        results.push_back(record.substr(record.find("\",\"") + 3));
        at = end + 2;
    }
    EXPECT_EQ(
        results,
        (Lines{
            "P1\",\"127.0.0.1\",\"4901\",\"typed\"",
            "P1\",\"127.0.0.1\",\"4901\",\"skipped: duplicate\"",
            "P2\",\"127.0.0.1\",\"4901\",\"typed\"",
            "P1\",\"127.0.0.1\",\"4902\",\"typed\"",
            "P3\",\"127.0.0.1\",\"X\",\"not typed: クリップボード を開けません\"",
            "P3\",\"127.0.0.1\",\"X\",\"not typed: 本プログラムがアクティブになっています。\"",
            "P3\",\"127.0.0.1\",\"X\",\"typed\"",
        }));
}

}  // namespace
}  // namespace korvane
