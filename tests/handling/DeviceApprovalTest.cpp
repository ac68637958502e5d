#include "handling/DeviceApproval.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace korvane {
namespace {

// Refuses every phone at once, as korvane-host's prompt does, and counts the questions.
class RefuseAll : public ApprovalPrompt {
  public:
    void ask(const std::string& clientKey, const std::string& address) override {
        ++questions;
        approval->answer(clientKey, address, ApprovalAnswer::Refuse);
    }
    DeviceApproval* approval = nullptr;
    int questions = 0;
};

// A flood of fresh keys, each refused, keeps only the latest refusals: the oldest phone is asked
// about again, the latest are still refused without a question.
TEST(DeviceApproval, RefusalsAreKeptForTheLatestPhonesOnly) {
    RefuseAll prompt;
    DeviceApproval approval(prompt, {}, true);
    prompt.approval = &approval;
    const auto key = [](std::size_t n) { return "PHONE-" + std::to_string(n); };
    const std::size_t flood = DeviceApproval::kMostRefused + 1000;
    for (std::size_t n = 0; n < flood; ++n) {
        EXPECT_FALSE(approval.admits(key(n), "127.0.0.1"));
    }
    ASSERT_EQ(prompt.questions, static_cast<int>(flood));
    EXPECT_LE(DeviceApproval::kMostRefused, 5000u) << "a few thousand at most";

    // The latest kMostRefused phones are refused without being asked again.
    for (std::size_t n = flood - DeviceApproval::kMostRefused; n < flood; ++n) {
        EXPECT_FALSE(approval.admits(key(n), "127.0.0.1"));
    }
    EXPECT_EQ(prompt.questions, static_cast<int>(flood));
    // Those before them were forgotten, oldest first: each is asked about once more.
    EXPECT_FALSE(approval.admits(key(0), "127.0.0.1"));
    EXPECT_FALSE(approval.admits(key(999), "127.0.0.1"));
    EXPECT_EQ(prompt.questions, static_cast<int>(flood) + 2);

    // A refused phone approved for this run after all is let in.
    approval.answer(key(flood - 1), "127.0.0.1", ApprovalAnswer::ThisRun);
    EXPECT_TRUE(approval.admits(key(flood - 1), "127.0.0.1"));
}

}  // namespace
}  // namespace korvane

namespace korvane {
namespace {

using namespace std::chrono_literals;

// Notes every phone the approval lists, and the warnings; the clock is the test's.
struct Listing : ApprovalPrompt {
    void ask(const std::string& clientKey, const std::string& address) override {
        asked.push_back(clientKey + "@" + address);
    }
    std::vector<std::string> asked;
    std::vector<std::string> warnings;
    ApprovalClock::time_point now = ApprovalClock::time_point{} + 1000h;
};

std::unique_ptr<DeviceApproval> listingApproval(Listing& listing) {
    auto approval = std::make_unique<DeviceApproval>(listing, std::vector<ApprovedDevice>{}, true,
                                                     [&listing] { return listing.now; });
    approval->onWarning([&listing](const std::string& text) { listing.warnings.push_back(text); });
    return approval;
}

std::string address(std::size_t n) {
    return "10.0.0." + std::to_string(n);
}

// One entry per address, oldest first: a new key from a listed address takes its entry over and is
// counted; a full list turns new addresses away, counted and warned about once a minute, and no
// number of them pushes out the phones already listed.
TEST(DeviceApproval, WaitingPhonesAreOnePerAddressAndBounded) {
    Listing listing;
    auto approval = listingApproval(listing);
    EXPECT_FALSE(approval->admits("REAL", address(0)));
    listing.now += 1s;
    EXPECT_FALSE(approval->admits("A1", address(1)));
    EXPECT_FALSE(approval->admits("A2", address(1)));
    EXPECT_FALSE(approval->admits("A2", address(1)));
    EXPECT_EQ(listing.asked, (std::vector<std::string>{"REAL@" + address(0), "A1@" + address(1)}));
    WaitingPhones waiting = approval->waitingPhones();
    ASSERT_EQ(waiting.phones.size(), 2u);
    const UnknownPhone& real = waiting.phones[0];
    EXPECT_EQ(real.clientKey, "REAL");
    EXPECT_EQ(real.requests, 1u);
    EXPECT_EQ(waiting.phones[1].clientKey, "A2");
    EXPECT_EQ(waiting.phones[1].requests, 3u);
    EXPECT_EQ(waiting.phones[1].keyChanges, 1u);
    EXPECT_EQ(waiting.phones[1].lastRequest - waiting.phones[1].firstRequest, 0s);
    EXPECT_EQ(real.lastRequest + 1s, waiting.phones[1].firstRequest);

    for (std::size_t n = 2; n < UnknownPhones::kCapacity; ++n) {
        approval->admits("K" + std::to_string(n), address(n));
    }
    ASSERT_EQ(approval->waitingPhones().phones.size(), UnknownPhones::kCapacity);
    listing.warnings.clear();
    for (std::size_t n = 100; n < 150; ++n) {
        EXPECT_FALSE(approval->admits("LATE" + std::to_string(n), address(n)));
    }
    waiting = approval->waitingPhones();
    EXPECT_EQ(waiting.phones.size(), UnknownPhones::kCapacity);
    EXPECT_EQ(waiting.phones[0].clientKey, "REAL");
    EXPECT_EQ(waiting.turnedAway, 50u);
    EXPECT_EQ(listing.asked.size(), UnknownPhones::kCapacity);
    const std::string fullWarning =
        "承認待ちの一覧がいっぱいのため、新しい端末の要求を一覧に載せずに拒否しました（これまでに "
        "1 "
        "件）。";
    EXPECT_EQ(std::count(listing.warnings.begin(), listing.warnings.end(), fullWarning), 1);
    // A minute later the next one is warned about again, with the count so far.
    listing.now += 1min;
    approval->admits("LATER", address(200));
    EXPECT_EQ(listing.warnings.back(),
              "承認待ちの一覧がいっぱいのため、新しい端末の要求を一覧に載せずに拒否しました（これま"
              "でに 51 件）。");
}

// An entry leaves once kExpiry has passed without a request from its address; a request before
// that keeps it, and a phone that left is listed (and told of) afresh.
TEST(DeviceApproval, WaitingPhonesLeaveAfterMinutesWithoutRequests) {
    const struct {
        std::chrono::seconds quiet;
        bool listed;
    } cases[] = {{0s, true}, {299s, true}, {300s, false}, {3600s, false}};
    for (const auto& c : cases) {
        Listing listing;
        auto approval = listingApproval(listing);
        approval->admits("KEY", address(1));
        listing.now += 200s;
        approval->admits("KEY", address(1));
        listing.now += c.quiet;
        EXPECT_EQ(approval->waitingPhones().phones.size(), c.listed ? 1u : 0u) << c.quiet.count();
        approval->admits("KEY", address(1));
        EXPECT_EQ(listing.asked.size(), c.listed ? 1u : 2u) << c.quiet.count();
    }
}

// 拒否 in the window refuses the key and its address: new keys from there, and the key from
// elsewhere, are refused without being listed or told of, until the refusal is lifted. An
// approved phone leaves the list and is let in.
TEST(DeviceApproval, RefusedKeysAndAddressesStayQuietUntilLifted) {
    Listing listing;
    auto approval = listingApproval(listing);
    approval->admits("REAL", address(1));
    approval->admits("STRANGER", address(2));
    approval->answer("STRANGER", address(2), ApprovalAnswer::RefuseAddress);
    approval->answer("REAL", address(1), ApprovalAnswer::ThisRun);
    EXPECT_TRUE(approval->admits("REAL", address(1)));
    for (int n = 0; n < 20; ++n) {
        EXPECT_FALSE(approval->admits("FRESH" + std::to_string(n), address(2)));
    }
    EXPECT_FALSE(approval->admits("STRANGER", address(3)));
    EXPECT_TRUE(approval->waitingPhones().phones.empty());
    EXPECT_EQ(listing.asked.size(), 2u);
    const std::vector<Refusal> refused{{Refusal::Kind::Key, "STRANGER"},
                                       {Refusal::Kind::Address, address(2)}};
    EXPECT_EQ(approval->refusals(), refused);

    approval->unrefuse(refused[1]);
    EXPECT_FALSE(approval->admits("FRESH", address(2)));
    EXPECT_FALSE(approval->admits("STRANGER", address(4)));
    approval->unrefuse(refused[0]);
    EXPECT_FALSE(approval->admits("STRANGER", address(4)));
    EXPECT_EQ(listing.asked,
              (std::vector<std::string>{"REAL@" + address(1), "STRANGER@" + address(2),
                                        "FRESH@" + address(2), "STRANGER@" + address(4)}));
    EXPECT_TRUE(approval->refusals().empty());
}

// Many new keys within seconds raise one warning a minute, and the list says so while it is
// recent; a few do not.
TEST(DeviceApproval, ManyNewKeysAtOnceAreWarnedAbout) {
    const struct {
        int keys;
        std::chrono::milliseconds apart;
        std::size_t warnings;
    } cases[] = {{9, 5ms, 0}, {10, 5ms, 1}, {1000, 5ms, 1}, {30, 2s, 0}, {200, 600ms, 2}};
    for (const auto& c : cases) {
        Listing listing;
        auto approval = listingApproval(listing);
        for (int n = 0; n < c.keys; ++n) {
            approval->admits("FRESH" + std::to_string(n), "127.0.0.1");
            listing.now += c.apart;
        }
        EXPECT_EQ(listing.warnings.size(), c.warnings) << c.keys;
        for (const std::string& warning : listing.warnings) {
            EXPECT_EQ(warning,
                      "短い時間に多くの未承認の端末キーから要求がありました。心当たりのない端末は許"
                      "可しないでください。");
        }
        EXPECT_EQ(approval->waitingPhones().manyAtOnce, c.warnings > 0) << c.keys;
        listing.now += 1min;
        EXPECT_FALSE(approval->waitingPhones().manyAtOnce);
    }
}

}  // namespace
}  // namespace korvane
