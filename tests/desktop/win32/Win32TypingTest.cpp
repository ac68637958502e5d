// Typed keys and the clipboard put back, against the tests' own EDIT target in another Wine
// process, which tests/desktop/win32/wine_desktop_test.sh starts and activates before running
// these tests with --gtest_filter='EditTarget*'. The target's standard output, where it reports
// each Enter and Tab with the field's text at that moment, is the file named by
// $KORVANE_EDIT_TARGET_LOG.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "desktop/win32/Win32Desktop.h"
#include "platform/win32/WideText.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;

class EditTarget : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* log = std::getenv("KORVANE_EDIT_TARGET_LOG");
        ASSERT_NE(log, nullptr) << "run by wine_desktop_test.sh, which starts the target";
        mLogPath = log;
        mWindow = ::FindWindowW(L"KorvaneEditTarget", nullptr);
        ASSERT_NE(mWindow, nullptr) << "the EDIT target is not running";
        mEdit = ::FindWindowExW(mWindow, nullptr, L"Edit", nullptr);
        ASSERT_NE(mEdit, nullptr);
        ASSERT_EQ(::GetForegroundWindow(), mWindow) << "the EDIT target is not active";
        ::SendMessageW(mEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        mLogStart = logText().size();
    }

    std::string logText() const {
        std::ifstream in(mLogPath, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The target's lines since the test began, once `expected` is among them or 10 s have gone.
    std::string linesAfterwards(const std::string& expected) const {
        std::string lines;
        for (int i = 0; i < 100; ++i) {
            lines = logText().substr(mLogStart);
            if (lines.find(expected) != std::string::npos) {
                break;
            }
            std::this_thread::sleep_for(100ms);
        }
        return lines;
    }

    // The field's text once it is `expected` or 10 s have gone: the target inserts what it
    // pasted a moment after it has taken it from the clipboard.
    std::string fieldText(const std::string& expected) const {
        std::string text;
        for (int i = 0; i < 100; ++i) {
            wchar_t units[512] = {};
            ::SendMessageW(mEdit, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(units));
            text = win32::narrow(units);
            if (text == expected) {
                break;
            }
            std::this_thread::sleep_for(100ms);
        }
        return text;
    }

    WindowHandle handle() const {
        return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(mEdit));
    }

    std::string mLogPath;
    std::size_t mLogStart = 0;
    HWND mWindow = nullptr;
    HWND mEdit = nullptr;
    Win32Desktop desktop;
};

// Puts `text` on the clipboard as some other program would (no text at all when empty),
// owned by nobody.
void putOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    if (!text.empty()) {
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
        std::memcpy(::GlobalLock(memory), text.c_str(), bytes);
        ::GlobalUnlock(memory);
        ::SetClipboardData(CF_UNICODETEXT, memory);
    }
    ::CloseClipboard();
}

std::optional<std::string> clipboardText() {
    if (!::OpenClipboard(nullptr)) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        text = win32::narrow(static_cast<const wchar_t*>(::GlobalLock(data)));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

TEST_F(EditTarget, TypedKeysCarryAnyCharacterAndEndLinesWithEnter) {
    struct Case {
        const char* text;
        std::chrono::milliseconds keyDelay;
        const char* targetSees;  // the target's line for the last Enter or Tab
    };
    const Case cases[] = {
        // Kanji and kana are on no key of the layout: they go as the characters themselves.
        {"漢字かなABC-123\n", 0ms, "enter 漢字かなABC-123\n"},
        // A character beyond the BMP goes as its two surrogates.
        {"\xF0\xA0\x80\x8B-1\r\n", 0ms, "enter \xF0\xA0\x80\x8B-1\n"},
        // Control characters other than line breaks and TAB are not typed; TAB is the Tab key.
        {"a\x01"
         "b\x1D"
         "c\t",
         0ms, "tab abc\n"},
        {"slow\r", 30ms, "enter slow\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ::SendMessageW(mEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        mLogStart = logText().size();
        const auto start = std::chrono::steady_clock::now();
        DesktopError error = desktop.typeText(handle(), c.text, c.keyDelay);
        const auto took = std::chrono::steady_clock::now() - start;
        ASSERT_FALSE(error) << error.message();
        EXPECT_EQ(linesAfterwards(c.targetSees), c.targetSees);
        if (c.keyDelay > 0ms) {
            // Five keys, four pauses between them.
            EXPECT_GE(took, 4 * c.keyDelay);
        }
    }
}

TEST_F(EditTarget, AFieldPastedIntoGetsTheBarcodeAndTheClipboardItsTextBack) {
    putOnClipboard(L"the user's text 前");
    ASSERT_FALSE(desktop.pasteTextRestoringClipboard(handle(), "PASTE-1"));
    // Enter right after the paste finds the barcode in the field, not the text put back.
    ASSERT_FALSE(desktop.pressSuffixKey(handle(), "1"));
    EXPECT_EQ(linesAfterwards("enter PASTE-1\n"), "enter PASTE-1\n");
    EXPECT_EQ(clipboardText(), "the user's text 前");

    // The barcode that was put back by this desktop goes back too.
    ::SendMessageW(mEdit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    ASSERT_FALSE(desktop.pasteText(handle(), "FIRST"));
    ASSERT_FALSE(desktop.pasteTextRestoringClipboard(handle(), "SECOND"));
    EXPECT_EQ(fieldText("FIRSTSECOND"), "FIRSTSECOND");
    EXPECT_EQ(clipboardText(), "FIRST");
}

TEST_F(EditTarget, AClipboardWithoutTextKeepsTheBarcode) {
    putOnClipboard(L"");
    ASSERT_FALSE(desktop.pasteTextRestoringClipboard(handle(), "PASTE-2"));
    ASSERT_FALSE(desktop.pressSuffixKey(handle(), "1"));
    EXPECT_EQ(linesAfterwards("enter PASTE-2\n"), "enter PASTE-2\n");
    EXPECT_EQ(clipboardText(), "PASTE-2");
}

}  // namespace
}  // namespace korvane
