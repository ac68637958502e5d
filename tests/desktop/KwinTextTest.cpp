#include <gtest/gtest.h>

#include "desktop/kde/EvdevKeys.h"
#include "desktop/kde/KwinWindow.h"

namespace korvane::kde {
namespace {

// The keys of a text as "code" or "+code" (with Shift), and pasted runs in brackets.
std::string describe(const std::vector<TextRun>& runs) {
    std::string out;
    for (const TextRun& run : runs) {
        for (const EvdevStroke& key : run.keys) {
            out += (key.shift ? "+" : "") + std::to_string(key.code) + " ";
        }
        if (!run.pasted.empty()) {
            out += "[" + run.pasted + "] ";
        }
    }
    return out;
}

TEST(EvdevKeysTest, SplitsTextIntoKeysAndPastedRuns) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"", ""},
        {"aA1!", "30 +30 2 +2 "},
        {" ~`|\\\"'", "57 +41 41 +43 43 +40 40 "},
        {"\n\t", "28 15 "},
        // Control characters other than line break and TAB are left out, and so is DEL.
        {"a\x01\r\x7F"
         "b",
         "30 48 "},
        // Characters no key gives are pasted, a run of them at a time, in order.
        {"漢字", "[漢字] "},
        {"x漢é y𠮷", "45 [漢é] 57 21 [𠮷] "},
        // A cut-off sequence at the end is passed on as it is.
        {"a\xE6\xBC", "30 [\xE6\xBC] "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describe(splitForKeys(c.text)), c.expected) << c.text;
    }
}

TEST(EvdevKeysTest, PhoneKeys) {
    EXPECT_EQ(evdevCodeOf(VirtualKey::Return), 28u);
    EXPECT_EQ(evdevCodeOf(VirtualKey::Tab), 15u);
    EXPECT_EQ(evdevCodeOf(VirtualKey::F2), 60u);
}

TEST(KwinWindowTest, ReadsTheScriptsReport) {
    std::optional<KwinWindowAnswer> none = parseWindowReport("none");
    ASSERT_TRUE(none);
    EXPECT_FALSE(none->window);

    std::optional<KwinWindowAnswer> found =
        parseWindowReport("{a-b}\t4242\tzenity\t-10.4\t20\t300.25\t100");
    ASSERT_TRUE(found && found->window);
    EXPECT_EQ(found->window->id, "{a-b}");
    EXPECT_EQ(found->window->pid, 4242);
    EXPECT_EQ(found->window->resourceClass, "zenity");
    EXPECT_EQ(found->window->x, -10);
    EXPECT_EQ(found->window->y, 20);
    EXPECT_EQ(found->window->width, 300);
    EXPECT_EQ(found->window->height, 100);

    for (const char* broken : {"", "nothing", "{a}\t1\tc\t1\t2\t3", "\t1\tc\t1\t2\t3\t4",
                               "{a}\tpid\tc\t1\t2\t3\t4", "{a}\t1\tc\t1\t2\t3\t4\t5"}) {
        EXPECT_FALSE(parseWindowReport(broken)) << broken;
    }
}

}  // namespace
}  // namespace korvane::kde
