#include "handling/DeviceApproval.h"

#include <gtest/gtest.h>

#include <string>

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
