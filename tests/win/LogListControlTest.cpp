// The owner-data log list: its rows as a reader of the list gets them (LVM_GETITEMTEXTW, answered
// through the parent's LVN_GETDISPINFOW as in the window), newest first, capped at the log's size;
// and its export.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/win32/WideText.h"
#include "win/LogExport.h"
#include "win/LogListControl.h"

namespace korvane {
namespace {

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        auto* list = reinterpret_cast<LogListControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (header->code == LVN_GETDISPINFOW && list != nullptr) {
            list->fillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(header));
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class LogListControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &parentProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"KorvaneLogListTest";
        RegisterClassW(&windowClass);
        mParent = CreateWindowExW(0, L"KorvaneLogListTest", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400,
                                  300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(mParent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&mList));
        mList.create(mParent, 1, GetModuleHandleW(nullptr));
    }
    void TearDown() override { DestroyWindow(mParent); }

    std::string row(int index) {
        wchar_t text[1024] = {};
        LVITEMW item{};
        item.pszText = text;
        item.cchTextMax = 1024;
        const auto length =
            SendMessageW(mList.handle(), LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
        return win32::narrow(std::wstring_view(text, static_cast<std::size_t>(length)));
    }
    int count() { return ListView_GetItemCount(mList.handle()); }
    int selected() { return ListView_GetNextItem(mList.handle(), -1, LVNI_SELECTED); }

    HWND mParent = nullptr;
    LogListControl mList;
};

LogLines linesOf(std::initializer_list<const char*> texts) {
    LogLines lines;
    for (const char* text : texts) {
        lines.add(text);
    }
    return lines;
}

TEST_F(LogListControlTest, NewestLineOnTopSelectedAndShownOnOneRow) {
    mList.addNewest(linesOf({"[10:00:00]first", "[10:00:01]待ち受け中"}));
    mList.addNewest(linesOf({"[10:00:02]two\r\nlines\x1b[31m"}));
    ASSERT_EQ(count(), 3);
    // A line break shows as a mark and a peer's control as its picture; the line is kept whole.
    EXPECT_EQ(row(0), "[10:00:02]two ↵ lines␛[31m");
    EXPECT_EQ(mList.line(0), "[10:00:02]two\r\nlines\x1b[31m");
    EXPECT_EQ(row(1), "[10:00:01]待ち受け中");
    EXPECT_EQ(row(2), "[10:00:00]first");
    EXPECT_EQ(selected(), 0);
}

TEST_F(LogListControlTest, KeepsTheNewestOfAFullLog) {
    LogLines many;
    for (std::size_t i = 0; i < kMaxLogLines; ++i) {
        many.add("line " + std::to_string(i));
    }
    mList.addNewest(std::move(many));
    ASSERT_EQ(count(), static_cast<int>(kMaxLogLines));
    mList.addNewest(linesOf({"newer 1", "newer 2"}));
    EXPECT_EQ(count(), static_cast<int>(kMaxLogLines));
    EXPECT_EQ(row(0), "newer 2");
    EXPECT_EQ(row(1), "newer 1");
    EXPECT_EQ(row(2), "line " + std::to_string(kMaxLogLines - 1));
    // The two oldest left at the bottom.
    EXPECT_EQ(row(static_cast<int>(kMaxLogLines) - 1), "line 2");
    EXPECT_EQ(selected(), 0);
}

TEST_F(LogListControlTest, TheExportHoldsTheLinesOldestFirstAsTheyCame) {
    mList.addNewest(linesOf({"[10:00:00]最初", "[10:00:01]two\r\nlines"}));
    mList.addNewest(linesOf({"[10:00:02]last"}));
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::filesystem::path file =
        std::filesystem::path(folder) / ("korvane-export-" + std::to_string(GetCurrentProcessId()));
    ASSERT_TRUE(exportLog(mList, file));
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    std::filesystem::remove(file);
    EXPECT_EQ(text.str(), "[10:00:00]最初\n[10:00:01]two\r\nlines\n[10:00:02]last\n");
    EXPECT_FALSE(exportLog(mList, std::filesystem::path(folder) / "no-such-folder" / "log.txt"));
}

TEST(LogExport, QtFiltersBecomeWindowsFilters) {
    using namespace std::string_literals;
    EXPECT_EQ(windowsFileFilter("テキストファイル (*.txt);;すべてのファイル (*)"),
              L"テキストファイル (*.txt)\0*.txt\0すべてのファイル (*)\0*\0"s);
    EXPECT_EQ(windowsFileFilter("Pictures (*.png *.jpg)"),
              L"Pictures (*.png *.jpg)\0*.png;*.jpg\0"s);
    EXPECT_EQ(windowsFileFilter("Anything"), L"Anything\0*\0"s);
}

}  // namespace
}  // namespace korvane
