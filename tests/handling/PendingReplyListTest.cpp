#include <gtest/gtest.h>

#include <thread>

#include "handling/PendingReplyList.h"

namespace korvane {
namespace {

struct NoBoxes : IMessageBoxes {
    void ShowError(const std::string& text) override { ADD_FAILURE() << text; }
};

class PendingReplies : public ::testing::Test {
  protected:
    std::pair<std::string, std::string> Take(const std::string& key) {
        std::pair<std::string, std::string> got{"unchanged", "unchanged"};
        list.mdlGetValue(key, got.first, got.second);
        return got;
    }

    NoBoxes boxes;
    TPendingReplyList list{boxes};
};

TEST_F(PendingReplies, StoringAKeyAgainReplacesItsEntryAtTheEnd) {
    list.mdlSetValue("A", "102\t1", "first");
    list.mdlSetValue("B", "103\t1", "b");
    list.mdlSetValue("A", "0102\t1", "second");
    EXPECT_EQ(list.Keys(), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(Take("A"), std::make_pair(std::string("0102\t1"), std::string("second")));
    EXPECT_EQ(Take("A"), std::make_pair(std::string("unchanged"), std::string("unchanged")));
    EXPECT_EQ(list.Keys(), (std::vector<std::string>{"B"}));
}

TEST_F(PendingReplies, KeysMatchExactlyWhateverTheyHold) {
    for (const std::string key : {"abc", "ABC", "\"quoted\"", "", "tab\tkey", "end\x1D"}) {
        list.mdlSetValue(key, "p:" + key, "");
    }
    for (const std::string key : {"abc", "ABC", "\"quoted\"", "", "tab\tkey", "end\x1D"}) {
        EXPECT_EQ(Take(key), std::make_pair("p:" + key, std::string())) << key;
    }
    EXPECT_TRUE(list.Keys().empty());
}

TEST_F(PendingReplies, EveryEntryIsTakenOnceUnderConcurrentUse) {
    constexpr int kKeys = 2000;
    std::thread storer([&] {
        for (int i = 0; i < kKeys; ++i) {
            list.mdlSetValue(std::to_string(i), "v", "l");
        }
    });
    int taken = 0;
    std::thread taker([&] {
        for (int round = 0; round < 50 && taken < kKeys; ++round) {
            for (int i = 0; i < kKeys; ++i) {
                std::string send;
                std::string log;
                list.mdlGetValue(std::to_string(i), send, log);
                taken += send == "v";
            }
        }
    });
    storer.join();
    taker.join();
    for (int i = 0; i < kKeys; ++i) {
        std::string send;
        std::string log;
        list.mdlGetValue(std::to_string(i), send, log);
        taken += send == "v";
    }
    EXPECT_EQ(taken, kKeys);
}

}  // namespace
}  // namespace korvane
