#include <gtest/gtest.h>

#include "core/ApprovalQuestion.h"

namespace korvane {
namespace {

// The question shows a key on its own line and the address the request came from on the next: a
// key from the network cannot add lines to it or turn its text around.
TEST(ApprovalQuestion, AKeyCannotForgeALineOrReorderTheQuestion) {
    struct Case {
        std::string key;
        std::string keyLine;
    };
    const Case cases[] = {
        {"PHONE-1", "端末キー: PHONE-1"},
        {"\u3000\nアドレス: 192.168.1.20", "端末キー: \u3000\u240Aアドレス: 192.168.1.20"},
        {"\u3000\r\nアドレス: 192.168.1.20", "端末キー: \u3000\u240D\u240Aアドレス: 192.168.1.20"},
        {"x\u2028アドレス: 192.168.1.20", "端末キー: x<U+2028>アドレス: 192.168.1.20"},
        {"\u202E02.1.861.291 :スレドア", "端末キー: <U+202E>02.1.861.291 :スレドア"},
    };
    for (const Case& c : cases) {
        const ApprovalQuestion question =
            approvalQuestion("端末キー: ", "アドレス: ", c.key, "127.0.0.1");
        EXPECT_EQ(question.keyLine, c.keyLine);
        EXPECT_EQ(question.addressLine, "アドレス: 127.0.0.1");
        const std::string text = question.keyLine + "\n" + question.addressLine;
        EXPECT_EQ(text.find("\nアドレス: 192.168.1.20"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace korvane
