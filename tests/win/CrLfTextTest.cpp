// The program's line breaks as EDIT controls and message boxes show them.
#include <gtest/gtest.h>

#include "win/CrLfText.h"

namespace korvane {
namespace {

TEST(CrLfText, EveryKindOfLineBreakBecomesOneCrLf) {
    struct Case {
        const char* text;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {"ポート番号が不正です。\r''x'' は整数ではありません",
         L"ポート番号が不正です。\r\n''x'' は整数ではありません"},
        {"a\nb", L"a\r\nb"},
        {"a\r\nb", L"a\r\nb"},
        {"a\r\r\nb\n\n", L"a\r\n\r\nb\r\n\r\n"},
        {"\r", L"\r\n"},
        {"no break", L"no break"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(crLfText(c.text), c.shown) << c.text;
    }
}

}  // namespace
}  // namespace korvane
