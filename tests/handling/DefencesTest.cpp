#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <mutex>
#include <thread>

#include "handling/BarcodeText.h"
#include "platform/Trace.h"
#include "tests/handling/HandlerHarness.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

using test::HandlerHarness;
using Lines = std::vector<std::string>;

phone::Outcome converse(HandlerHarness& harness, const std::string& key, const std::string& data,
                        const std::string& source = {}) {
    return phone::converse("127.0.0.1", harness.port(), key, data, true, 30000, source);
}

// Until the user approves it, a phone's desktop commands are answered (code, "0") without
// touching the desktop, and the log says why; its first request raises the prompt, once. Once
// approved, the same request is typed.
TEST(Approval, APhoneTypesOnlyOnceTheUserApprovesIt) {
    HandlerHarness harness(true);
    const std::string barcode = "102\tABC\t1\t1\t0";
    phone::Outcome refused = converse(harness, "PHONE", barcode);
    EXPECT_EQ(refused.reply, "102\t0");
    EXPECT_FALSE(refused.fileName);
    EXPECT_EQ(converse(harness, "PHONE", "105\t1080\t1920").reply, "105\t0");
    EXPECT_TRUE(harness.desktop.calls().empty());
    EXPECT_EQ(harness.window.waitForLines("PHONE", 4)[1],
              "[PHONE][127.0.0.1][Client_Send]未承認の端末からの要求です。");
    EXPECT_EQ(harness.prompt.questions(), Lines{"PHONE@127.0.0.1"}) << "asked once";

    harness.approval.answer("PHONE", "127.0.0.1", ApprovalAnswer::Always);
    phone::Outcome typed = converse(harness, "PHONE", barcode);
    EXPECT_EQ(typed.reply, "102\t1");
    EXPECT_EQ(harness.desktop.calls()[1], "paste 42 [ABC]");
    ASSERT_EQ(harness.approval.devices().size(), 1u);
    EXPECT_EQ(harness.approval.devices()[0].clientKey, "PHONE");
    EXPECT_EQ(harness.approval.devices()[0].lastAddress, "127.0.0.1");
}

// The settings check is answered as always and lists the phone: approving is part of setting a
// phone up. Another key from a listed address takes its entry over and is not told of again; a
// phone refused is not listed again; one approved for this run types like one approved for good,
// but is not kept.
TEST(Approval, TheSettingsCheckAsksAndEachAnswerHolds) {
    HandlerHarness harness(true);
    EXPECT_EQ(converse(harness, "NEW", "101").reply, "101\t1");
    EXPECT_EQ(converse(harness, "OTHER", "103").reply, "103\t0");
    EXPECT_EQ(harness.prompt.questions(), Lines{"NEW@127.0.0.1"});

    harness.approval.answer("NEW", "127.0.0.1", ApprovalAnswer::Refuse);
    EXPECT_EQ(converse(harness, "NEW", "103").reply, "103\t0");
    EXPECT_EQ(converse(harness, "OTHER", "103", "127.0.0.2").reply, "103\t0");
    EXPECT_EQ(harness.prompt.questions(), (Lines{"NEW@127.0.0.1", "OTHER@127.0.0.2"}));

    harness.approval.answer("OTHER", "127.0.0.2", ApprovalAnswer::ThisRun);
    EXPECT_EQ(converse(harness, "OTHER", "103").reply, "103\t1");
    EXPECT_EQ(converse(harness, "NEW", "103").reply, "103\t0");
    EXPECT_TRUE(harness.approval.devices().empty());
    EXPECT_EQ(harness.prompt.questions().size(), 2u);
}

// The lines about approval, refusal and limits outlive a flood of other lines: a decision stays
// however many requests are logged and however many warnings come after it, and the warnings
// keep their newest.
TEST(Approval, SecurityLinesOutliveAFloodOfOtherLines) {
    HandlerHarness harness(true);
    harness.handler.addSecurityLog(SecurityLines::Kind::Decision, "REAL",
                                   "[127.0.0.2][Approval]端末を承認しました。");
    for (int n = 0; n < 200; ++n) {
        converse(harness, "FLOOD" + std::to_string(n), "101\t" + std::string(4000, 'x'));
    }
    for (int n = 0; n < 1000; ++n) {
        harness.handler.addSecurityLog(SecurityLines::Kind::Warning, "Server",
                                       "[Approval]warning " + std::to_string(n));
    }
    const Lines lines = harness.handler.securityLines().lines();
    ASSERT_EQ(lines.size(), SecurityLines::kMostEach + 1);
    EXPECT_TRUE(lines.front().ends_with("[Server][Approval]warning 999")) << lines.front();
    EXPECT_TRUE(lines[SecurityLines::kMostEach - 1].ends_with("warning 900"));
    EXPECT_TRUE(lines.back().ends_with("[REAL][127.0.0.2][Approval]端末を承認しました。"))
        << lines.back();
    EXPECT_GE(harness.window.Lines().size(), 1000u + 200u * 3);
}

TEST(Approval, TurnedOffEveryPhoneTypesAndNobodyIsAsked) {
    HandlerHarness harness(false);
    EXPECT_EQ(converse(harness, "ANY", "102\tX\t1\t1\t0").reply, "102\t1");
    EXPECT_TRUE(harness.prompt.questions().empty());
}

// Text that no barcode needs is refused before anything is typed: the reply is (code, "0") and
// the log says why. The separators of GS1 and ISO 15434 codes and line breaks go through.
TEST(Defences, ControlTextIsRefusedBeforeAnythingIsTyped) {
    HandlerHarness harness;
    struct Case {
        std::string barcode;
        bool typed;
    };
    const Case cases[] = {
        {"A\x1b[2J\x1b]0;x\x07", false},
        {std::string("A\0B", 3), false},
        {"A\x08\x08rm", false},
        {"A\x7f", false},
        {std::string(8193, 'x'), false},
        {std::string(8192, 'x'), true},
        {"[)>\x1e"
         "06\x1dP12345\x1e\x04",
         true},
        {"]C1\x1d"
         "0104912345678904",
         true},
        {"line one\nline two\r\nthree", true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string key = "T" + std::to_string(++n);
        const auto before = harness.desktop.calls().size();
        // Quoted, so that TAB and line breaks stay inside the barcode field.
        phone::Outcome outcome = converse(harness, key, "102\t\"" + c.barcode + "\"\t1\t1\t0");
        EXPECT_EQ(outcome.reply, c.typed ? "102\t1" : "102\t0") << n;
        const auto calls = harness.desktop.calls().size() - before;
        EXPECT_EQ(calls, c.typed ? 4u : 0u) << n;
        if (!c.typed) {
            const std::string refusal = harness.window.waitForLines(key, 2).back();
            EXPECT_NE(refusal.find("[Client_Send]"), std::string::npos) << refusal;
            EXPECT_NE(refusal.find("拒否しました。"), std::string::npos) << refusal;
        }
    }
}

// What the wire cannot carry in CP932 may still reach the check from another source.
TEST(Defences, TheBarcodeCheckKnowsEveryRefusedCharacter) {
    const std::pair<std::string, std::string> refused[] = {
        {"a\xC2\x85", "U+0085"},  // NEL, a C1 control
        {"\xC2\x9B"
         "31m",
         "U+009B"},                            // CSI
        {"abc\xE2\x80\xAEgpj.exe", "U+202E"},  // right-to-left override
        {"\xE2\x81\xA6x", "U+2066"},           // left-to-right isolate
        {"\x1b", "U+001B"},
    };
    for (const auto& [text, code] : refused) {
        EXPECT_EQ(barcodeRefusal(text),
                  "入力できない制御文字 (" + code + ") を含むため拒否しました。");
    }
    for (const std::string text :
         {"", "日本語 ABC", "\t\n\r\x04\x1c\x1d\x1e\x1f", "\xE2\x80\x8B"}) {
        EXPECT_EQ(barcodeRefusal(text), "") << text;
    }
    std::string kanji;
    for (int i = 0; i < 4097; ++i) {
        kanji += "漢";
    }
    EXPECT_EQ(barcodeRefusal(kanji), "バーコードが長すぎるため拒否しました。(8194 バイト)");
}

// One peer's captures with the longest pause cannot hold the desktop from another phone: beyond
// two waiting or running they are refused, and the other phone's barcode goes in between them.
TEST(Defences, OnePeersDelayedCapturesDoNotHoldTheDesktop) {
    HandlerHarness harness;
    harness.desktop.delayUnit = std::chrono::milliseconds(200);  // delay code 5: 1 s
    std::vector<std::future<phone::Outcome>> greedy;
    for (int i = 0; i < 4; ++i) {
        greedy.push_back(std::async(std::launch::async, [&] {
            return converse(harness, "GREEDY", "102\tSLOW\t1\t1\t5", "127.0.0.5");
        }));
    }
    // Two are refused at once; one runs, one waits.
    const Lines refusals = harness.window.waitForLines("GREEDY", 6);
    EXPECT_EQ(std::count(refusals.begin(), refusals.end(),
                         "[GREEDY][127.0.0.5][Client_Send]この端末からの要求が多すぎるため拒否"
                         "しました。"),
              2);
    // The limit reached is kept among the security lines once, not once per refusal.
    const Lines security = harness.handler.securityLines().lines();
    ASSERT_EQ(security.size(), 1u);
    EXPECT_TRUE(
        security[0].ends_with("[GREEDY][127.0.0.5][Client_Send]この端末からの要求が多すぎる"
                              "ため拒否しました。"));
    phone::Outcome phone = converse(harness, "PHONE", "102\tFAST\t1\t1\t0", "127.0.0.6");
    EXPECT_EQ(phone.reply, "102\t1");
    Lines replies;
    for (auto& outcome : greedy) {
        replies.push_back(outcome.get().reply.value_or("(none)"));
    }
    std::sort(replies.begin(), replies.end());
    EXPECT_EQ(replies, (Lines{"102\t0", "102\t0", "102\t1", "102\t1"}));
    Lines pastes;
    for (const std::string& call : harness.desktop.calls()) {
        if (call.starts_with("paste")) {
            pastes.push_back(call);
        }
    }
    EXPECT_EQ(pastes, (Lines{"paste 42 [SLOW]", "paste 42 [FAST]", "paste 42 [SLOW]"}));
}

// A desktop command that takes seconds holds neither the listener nor another phone's settings
// check: the check is answered while the command still runs.
TEST(Defences, ASettingsCheckIsAnsweredWhileTheDesktopIsBusy) {
    HandlerHarness harness;
    harness.desktop.delayUnit = std::chrono::milliseconds(600);  // delay code 5: 3 s
    std::future<phone::Outcome> slow = std::async(std::launch::async, [&] {
        return converse(harness, "SLOW", "102\tSLOW\t1\t1\t5", "127.0.0.5");
    });
    harness.window.waitForLines("SLOW", 1);
    const phone::Outcome check = converse(harness, "CHECK", "101", "127.0.0.6");
    EXPECT_EQ(check.reply, "101\t1");
    EXPECT_EQ(slow.wait_for(std::chrono::seconds(0)), std::future_status::timeout)
        << "the settings check waited for the desktop";
    EXPECT_EQ(slow.get().reply, "102\t1");
}

// A megabyte of request data costs the log and the trace a kilobyte a line, and a code with a
// million leading zeros comes back as the code.
TEST(Defences, AMegabyteRequestCostsTheLogAndTheReplyLittle) {
    HandlerHarness harness;
    std::mutex lock;
    std::size_t longestTrace = 0;
    setTraceSink([&](const std::string& line) {
        std::lock_guard guard(lock);
        longestTrace = std::max(longestTrace, line.size());
    });
    const std::string big(1000000, 'x');
    EXPECT_EQ(converse(harness, "BIG", "101\t" + big).reply, "101\t1");
    const std::string zeros(1000000, '0');
    const std::string unsupported = converse(harness, "ZEROS", zeros + "106").reply.value_or("");
    setTraceSink(nullptr);
    EXPECT_EQ(unsupported.substr(0, 6), "106\t0\t");
    EXPECT_LT(unsupported.size(), 200u);

    const std::string request = harness.window.waitForLines("BIG", 2)[0];
    EXPECT_TRUE(request.starts_with("[BIG][127.0.0.1][Client_Receive]設定確認要求:101\txxx"));
    // "[127.0.0.1][Client_Receive]設定確認要求:101\t" and the data: 38 + 1,000,000 characters.
    EXPECT_TRUE(request.ends_with("x…(1000038 文字)")) << request.substr(request.size() - 40);
    for (const std::string& line : harness.window.Lines()) {
        EXPECT_LT(line.size(), 2000u);
    }
    EXPECT_LT(longestTrace, 2000u);
}

}  // namespace
}  // namespace korvane
