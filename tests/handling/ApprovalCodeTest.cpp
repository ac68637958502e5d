// The one-time approval code alone, with a clock and randomness of the test's; and in request
// handling, over the real server on 127.0.0.1 with the scripted desktop, as phones scan it.
#include "handling/ApprovalCode.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "tests/handling/HandlerHarness.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

// A clock that moves only when the test moves it.
struct ManualClock {
    ApprovalCode::Clock::time_point now{std::chrono::hours(1)};
    ApprovalCode::Now function() {
        return [this] { return now; };
    }
};

// Randomness that gives the listed bytes, one list per call, then fails.
ApprovalCode::Random scripted(std::vector<std::vector<std::uint8_t>> draws) {
    return [draws = std::move(draws), next = std::size_t{0}](std::span<std::uint8_t> out) mutable {
        if (next == draws.size()) {
            return false;
        }
        std::copy(draws[next].begin(), draws[next].end(), out.begin());
        ++next;
        return true;
    };
}

TEST(ApprovalCode, IsShownInTwoGroupsAndReadAsAPhoneOrAPersonGivesIt) {
    ManualClock clock;
    // 0..31 give the alphabet in order: no I, L, O or U.
    ApprovalCode code(clock.function(), scripted({{0, 9, 10, 17, 18, 19, 20, 21, 22, 31}}));
    const std::optional<std::string> issued = code.issue();
    ASSERT_EQ(issued, "09AHJ-KMNPZ");
    const struct {
        std::string scanned;
        ApprovalCode::Match match;
    } cases[] = {
        {"09AHJ-KMNPZ", ApprovalCode::Match::Valid},
        {"09ahj kmnpz", ApprovalCode::Match::Valid},
        {"O9AHJKMNPZ", ApprovalCode::Match::Valid},  // O read as 0
        {"09AHJ-KMNP", ApprovalCode::Match::Other},
        {"09AHJ-KMNPZZ", ApprovalCode::Match::Other},
        {"09AHJ-KMNPY", ApprovalCode::Match::Other},
        {"09AHJ\tKMNPZ", ApprovalCode::Match::Other},
        {"", ApprovalCode::Match::Other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(code.match(c.scanned), c.match) << c.scanned;
    }
}

// One code at a time, for two minutes, once: what the phone that scans it and the window that
// shows it see after each turn of events.
TEST(ApprovalCode, IsValidOnceWithinItsLifetimeAndReplacedByTheNext) {
    ManualClock clock;
    ApprovalCode code(clock.function());
    using State = ApprovalCode::State;
    using Match = ApprovalCode::Match;

    const std::string first = code.issue().value();
    EXPECT_EQ(code.status(first).state, State::Valid);
    EXPECT_EQ(code.status(first).left, ApprovalCode::kLifetime);
    clock.now += ApprovalCode::kLifetime - 1ms;
    EXPECT_EQ(code.match(first), Match::Valid);
    clock.now += 1ms;
    EXPECT_EQ(code.match(first), Match::Spent) << "expired";
    EXPECT_FALSE(code.use(first));
    EXPECT_EQ(code.status(first).state, State::Expired);

    const std::string second = code.issue().value();
    EXPECT_EQ(code.status(first).state, State::Replaced);
    EXPECT_EQ(code.match(first), Match::Spent);
    EXPECT_TRUE(code.use(second));
    EXPECT_FALSE(code.use(second)) << "used once";
    EXPECT_EQ(code.match(second), Match::Spent);
    EXPECT_EQ(code.status(second).state, State::Used);

    const std::string third = code.issue().value();
    const std::string fourth = code.issue().value();
    EXPECT_FALSE(code.use(third)) << "replaced";
    code.withdraw(fourth);
    EXPECT_FALSE(code.use(fourth)) << "its window closed";
    EXPECT_EQ(code.status(fourth).state, State::Expired);

    // Spent codes are known for a while, then forgotten.
    for (std::size_t n = 0; n < ApprovalCode::kRememberedCodes; ++n) {
        code.issue();
    }
    EXPECT_EQ(code.match(fourth), Match::Spent);
    EXPECT_EQ(code.match(first), Match::Other);
}

TEST(ApprovalCode, NeverBeginsAsTheConnectionQrCodeAndNeedsTheSystemsRandomness) {
    // Z, R and Q are 31, 24 and 23: the first draw would begin "ZRQ" and is drawn again.
    ApprovalCode code(ApprovalCode::Clock::now, scripted({{31, 24, 23, 1, 1, 1, 1, 1, 1, 1},
                                                          {31, 24, 22, 1, 1, 1, 1, 1, 1, 1}}));
    EXPECT_EQ(code.issue(), "ZRP11-11111");
    EXPECT_EQ(code.issue(), std::nullopt) << "no randomness, no code";

    ApprovalCode real;
    const std::regex shape("[0-9A-HJKMNP-TV-Z]{5}-[0-9A-HJKMNP-TV-Z]{5}");
    std::set<std::string> seen;
    for (int n = 0; n < 2000; ++n) {
        const std::string text = real.issue().value();
        ASSERT_TRUE(std::regex_match(text, shape)) << text;
        ASSERT_FALSE(text.starts_with("ZRQ")) << text;
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 2000u) << "drawn from the system, not a fixed seed";
}

phone::Outcome converse(test::HandlerHarness& harness, const std::string& key,
                        const std::string& data) {
    return phone::converse("127.0.0.1", harness.port(), key, data);
}

std::string scan(const std::string& barcode) {
    return "102\t" + barcode + "\t1\t1\t0";
}

// A fresh key's barcode carrying the valid code: the phone is approved for good, the code is
// spent, nothing is typed and the phone gets the capture and the reply of a typed barcode.
// Nobody is asked about it.
TEST(ApprovalByCode, TheValidCodeApprovesAFreshPhoneAndIsNeverTyped) {
    test::HandlerHarness harness(true);
    ManualClock clock;
    ApprovalCode code(clock.function());
    harness.handler.setApprovalCode(code);
    const std::string issued = code.issue().value();

    const phone::Outcome approved = converse(harness, "NEW\nKEY", scan(issued));
    EXPECT_EQ(approved.fileName.value_or("(none)"), "capture.png");
    EXPECT_EQ(approved.reply.value_or("(none)"), "102\t1");
    EXPECT_EQ(harness.desktop.calls(), (Lines{"focus", "capture 42 7,9 wait 0"}));
    ASSERT_EQ(harness.approval.devices().size(), 1u);
    EXPECT_EQ(harness.approval.devices()[0].clientKey, "NEW\nKEY");
    EXPECT_TRUE(harness.prompt.questions().empty());
    EXPECT_EQ(code.status(issued).state, ApprovalCode::State::Used);
    const Lines lines = harness.window.linesOf("NEW\nKEY");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1],
              "[NEW\nKEY][127.0.0.1][Client_Approval]承認コードを読み取った端末を承認しました。"
              "端末キー: NEW\u240AKEY アドレス: 127.0.0.1");
    // The approval is kept among the security lines, apart from the flood of other lines.
    const Lines security = harness.handler.securityLines().lines();
    ASSERT_EQ(security.size(), 1u);
    EXPECT_TRUE(security[0].ends_with(lines[1])) << security[0];

    // Approved, it types what it scans from now on.
    EXPECT_EQ(converse(harness, "NEW\nKEY", scan("4901234567894")).reply, "102\t1");
    EXPECT_EQ(harness.desktop.calls()[3], "paste 42 [4901234567894]");
}

// Codes that are no longer valid, or never were, leave a phone that is not approved where it
// was: refused (102, "0"), nothing typed, the prompt asked as for any barcode of an unknown phone.
TEST(ApprovalByCode, ExpiredUsedReplacedAndWrongCodesApproveNobody) {
    test::HandlerHarness harness(true);
    ManualClock clock;
    ApprovalCode code(clock.function());
    harness.handler.setApprovalCode(code);

    const std::string expired = code.issue().value();
    clock.now += ApprovalCode::kLifetime;
    EXPECT_EQ(converse(harness, "LATE", scan(expired)).reply, "102\t0");

    const std::string replaced = code.issue().value();
    const std::string used = code.issue().value();
    EXPECT_EQ(converse(harness, "FIRST", scan(used)).reply, "102\t1");
    EXPECT_EQ(converse(harness, "SECOND", scan(used)).reply, "102\t0");
    EXPECT_EQ(converse(harness, "OLD", "104\t" + replaced + "\t1\t1\t0\t3\t1").reply, "104\t0");
    const std::string valid = code.issue().value();
    std::string wrong = valid;
    wrong[0] = wrong[0] == '0' ? '1' : '0';
    EXPECT_EQ(converse(harness, "GUESS", scan(wrong)).reply, "102\t0");

    ASSERT_EQ(harness.approval.devices().size(), 1u);
    EXPECT_EQ(harness.approval.devices()[0].clientKey, "FIRST");
    for (const std::string& call : harness.desktop.calls()) {
        EXPECT_EQ(call.find("paste"), std::string::npos) << call;
    }
    EXPECT_EQ(harness.prompt.questions().size(), 1u) << "one question open at a time";
    EXPECT_EQ(code.match(valid), ApprovalCode::Match::Valid) << "a wrong guess spends nothing";
}

// A phone that may type already is answered for any code of this run as for a typed barcode,
// with nothing typed; it leaves the valid code to the phone it was shown for. One approved for
// this run only is approved for good by the valid code.
TEST(ApprovalByCode, APhoneApprovedAlreadyHasNoCodeTyped) {
    test::HandlerHarness harness(true);
    ManualClock clock;
    ApprovalCode code(clock.function());
    harness.handler.setApprovalCode(code);
    harness.approval.answer("SHOP", "127.0.0.1", ApprovalAnswer::Always);
    harness.approval.answer("TODAY", "127.0.0.1", ApprovalAnswer::ThisRun);

    const std::string spent = code.issue().value();
    clock.now += ApprovalCode::kLifetime;
    const std::string valid = code.issue().value();
    for (const std::string& barcode : {valid, spent}) {
        const phone::Outcome outcome = converse(harness, "SHOP", scan(barcode));
        EXPECT_EQ(outcome.reply.value_or("(none)"), "102\t1") << barcode;
        EXPECT_TRUE(outcome.fileName) << barcode;
    }
    EXPECT_EQ(harness.window.linesOf("SHOP")[1],
              "[SHOP][127.0.0.1][Client_Skip]承認コードのため入力しませんでした。");
    EXPECT_EQ(code.match(valid), ApprovalCode::Match::Valid);

    EXPECT_EQ(converse(harness, "TODAY", scan(valid)).reply, "102\t1");
    EXPECT_EQ(code.match(valid), ApprovalCode::Match::Spent);
    ASSERT_EQ(harness.approval.devices().size(), 2u);
    EXPECT_EQ(harness.approval.devices()[1].clientKey, "TODAY");
    for (const std::string& call : harness.desktop.calls()) {
        EXPECT_TRUE(call == "focus" || call.starts_with("capture ")) << call;
    }
}

}  // namespace
}  // namespace korvane
