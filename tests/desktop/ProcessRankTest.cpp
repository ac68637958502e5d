#include "desktop/ProcessRank.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

constexpr std::uint32_t kMedium = 0x2000;
constexpr std::uint32_t kHigh = 0x3000;
constexpr std::uint32_t kSystem = 0x4000;

// Whether keys reach the foreground window's program, decided from the two tokens as Windows'
// input isolation decides it. (Wine enforces no such isolation: this is where it is tested.)
TEST(ProcessRank, KeysAreDroppedOnlyByAProgramRankedAboveThisOne) {
    struct Case {
        const char* what;
        ProcessRank target;
        ProcessRank self;
        bool dropped;
    };
    const Case cases[] = {
        {"same user, same level", {kMedium, false}, {kMedium, false}, false},
        {"run as administrator", {kHigh, true}, {kMedium, false}, true},
        {"a system window (the secure desktop's prompt)", {kSystem, false}, {kMedium, false}, true},
        {"both as administrator", {kHigh, true}, {kHigh, true}, false},
        {"this one above the window", {kMedium, false}, {kHigh, true}, false},
        // Low integrity (a sandboxed browser) takes keys from medium.
        {"a sandboxed program", {0x1000, false}, {kMedium, false}, false},
        // The level decides over the elevation flag: UIAccess and UAC-off tokens differ there.
        {"elevated flag at the same level", {kMedium, true}, {kMedium, false}, false},
        {"levels unknown, window elevated", {std::nullopt, true}, {std::nullopt, false}, true},
        {"levels unknown, both elevated", {std::nullopt, true}, {std::nullopt, true}, false},
        {"window's level unknown, not elevated", {std::nullopt, false}, {kMedium, false}, false},
        // A standard user may not open an elevated program's token.
        {"token refused to a standard user",
         {std::nullopt, std::nullopt, true},
         {kMedium, false},
         true},
        {"token refused to an elevated one",
         {std::nullopt, std::nullopt, true},
         {kHigh, true},
         false},
        {"nothing known of the window (gone)", {}, {kMedium, false}, false},
        {"nothing known of either", {}, {}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keysDropped(c.target, c.self), c.dropped) << c.what;
    }
}

}  // namespace
}  // namespace korvane
