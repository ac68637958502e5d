#include "core/ApprovalRow.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

// The list shows a key in its own cell and the address the request came from in the next: a key
// from the network cannot add a line or a row to it (a forged address) or turn its text around.
TEST(ApprovalRow, AKeyCannotForgeALineOrReorderTheList) {
    struct Case {
        std::string key;
        std::string keyCell;
    };
    const Case cases[] = {
        {"PHONE-1", "PHONE-1"},
        {"\u3000\nアドレス: 192.168.1.20", "\u3000\u240Aアドレス: 192.168.1.20"},
        {"\u3000\r\nアドレス: 192.168.1.20", "\u3000\u240D\u240Aアドレス: 192.168.1.20"},
        {"x\u2028アドレス: 192.168.1.20", "x<U+2028>アドレス: 192.168.1.20"},
        {"\u202E02.1.861.291 :スレドア", "<U+202E>02.1.861.291 :スレドア"},
    };
    const auto at = ApprovalClock::now();
    for (const Case& c : cases) {
        const ApprovalRow row = approvalRow({c.key, "127.0.0.1", at, at, 7, 2});
        EXPECT_EQ(row.key, c.keyCell);
        EXPECT_EQ(row.address, "127.0.0.1");
        EXPECT_EQ(row.requests, "7");
        EXPECT_EQ(row.keyChanges, "2");
        EXPECT_EQ(row.firstRequest.size(), 8u);
        // The list's text, a row per line as a copy of it would be.
        const std::string text = "アドレス: " + row.address + "\n" + row.key + "\t" + row.address +
                                 "\t" + row.firstRequest + "\t" + row.lastRequest + "\n";
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
        EXPECT_EQ(text.find("\nアドレス: 192.168.1.20"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace korvane
