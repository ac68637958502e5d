#include "handling/PendingReplies.h"

#include <gtest/gtest.h>

#include <thread>

namespace korvane {
namespace {

struct NoBoxes : MessageBoxes {
    void showError(const std::string& text) override { ADD_FAILURE() << text; }
};

class PendingRepliesTest : public ::testing::Test {
  protected:
    // The payload and log line taken, or "none".
    std::string take(std::uint64_t connection) {
        std::optional<PendingReply> reply = replies.take(connection);
        return reply ? reply->payload + "|" + reply->logLine : "none";
    }

    NoBoxes boxes;
    PendingReplies replies{boxes};
};

TEST_F(PendingRepliesTest, StoringAConnectionAgainReplacesItsEntryAtTheEnd) {
    replies.put(1, {"102\t1", "first"});
    replies.put(2, {"103\t1", "b"});
    replies.put(1, {"0102\t1", "second"});
    EXPECT_EQ(replies.connections(), (std::vector<std::uint64_t>{2, 1}));
    EXPECT_EQ(take(1), "0102\t1|second");
    EXPECT_EQ(take(1), "none") << "taken once";
    EXPECT_EQ(replies.connections(), (std::vector<std::uint64_t>{2}));
}

TEST_F(PendingRepliesTest, EveryEntryIsTakenOnceUnderConcurrentUse) {
    constexpr std::uint64_t kConnections = 2000;
    std::thread storer([&] {
        for (std::uint64_t i = 1; i <= kConnections; ++i) {
            replies.put(i, {"v", "l"});
        }
    });
    std::uint64_t taken = 0;
    std::thread taker([&] {
        for (int round = 0; round < 50 && taken < kConnections; ++round) {
            for (std::uint64_t i = 1; i <= kConnections; ++i) {
                taken += replies.take(i).has_value();
            }
        }
    });
    storer.join();
    taker.join();
    for (std::uint64_t i = 1; i <= kConnections; ++i) {
        taken += replies.take(i).has_value();
    }
    EXPECT_EQ(taken, kConnections);
}

}  // namespace
}  // namespace korvane
