#include <gtest/gtest.h>

#include "platform/VisibleText.h"

namespace korvane {
namespace {

TEST(VisibleText, PrintableTextComesBackByteForByte) {
    for (const char* text :
         {"", "[2026/12/11 10:00:00][PHONE-A][192.168.1.31][Client_Receive]設定確認要求:101",
          "バーコード送信要求:ABC-123\t1\t1\t0", "\u3000全角 ＡＢＣ ㈱ 😀 é"}) {
        for (LineBreaks breaks : {LineBreaks::Keep, LineBreaks::Mark, LineBreaks::Escape}) {
            EXPECT_EQ(visibleText(text, breaks), text);
        }
    }
}

TEST(VisibleText, ControlsThatCouldForgeTextOrSteerATerminalBecomeVisible) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"\x1B[2J\x1B[H", "\u241B[2J\u241B[H"},
        {std::string("a\0b", 3), "a\u2400b"},
        // OSC 52: a terminal would set the clipboard.
        {"\x1B]52;c;ZXZpbA==\x07", "\u241B]52;c;ZXZpbA==\u2407"},
        {"\x7F\x01\x1F", "\u2421\u2401\u241F"},
        // C1 controls: CSI (U+009B) and NEL (U+0085), as UTF-8.
        {"\xC2\x9B"
         "2J\xC2\x85",
         "<U+009B>2J<U+0085>"},
        {"abc\u202Egpj.exe", "abc<U+202E>gpj.exe"},
        {"\u202A\u202B\u202C\u202D\u2066\u2067\u2068\u2069",
         "<U+202A><U+202B><U+202C><U+202D><U+2066><U+2067><U+2068><U+2069>"},
        {"\u200E\u200F\u061C", "<U+200E><U+200F><U+061C>"},
        {"a\u2028b\u2029c", "a<U+2028>b<U+2029>c"},
        // Bytes that are no UTF-8: stray, truncated, overlong, a surrogate.
        {"\x9B"
         "2J",
         "<9B>2J"},
        {"x\xE3\x81", "x<E3><81>"},
        {"\xC0\x80", "<C0><80>"},
        {"\xED\xA0\x80", "<ED><A0><80>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(visibleText(c.text, LineBreaks::Keep), c.shown) << c.text;
    }
}

TEST(VisibleText, LineBreaksAreKeptMarkedOrEscapedAsAsked) {
    const std::string text = "a\r\nb\nc\rd";
    EXPECT_EQ(visibleText(text, LineBreaks::Keep), text);
    EXPECT_EQ(visibleText(text, LineBreaks::Mark), "a ↵ b ↵ c ↵ d");
    EXPECT_EQ(visibleText(text, LineBreaks::Escape), "a\u240D\u240Ab\u240Ac\u240Dd");
    // A forged line under a key: its line break shows on the key's own line.
    EXPECT_EQ(visibleText("\u3000\nアドレス: 192.168.1.20", LineBreaks::Escape),
              "\u3000\u240Aアドレス: 192.168.1.20");
}

}  // namespace
}  // namespace korvane
