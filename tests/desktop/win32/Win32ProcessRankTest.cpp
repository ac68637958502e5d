// Process ranks read from real tokens under Wine. Wine runs every program of a prefix at one
// level and enforces no input isolation, so a window that drops keys cannot be shown here: the
// decision itself is tested in ProcessRankTest.
#include <gtest/gtest.h>
#include <windows.h>

#include "desktop/win32/Win32ProcessRank.h"

namespace korvane {
namespace {

TEST(Win32ProcessRank, ThisProgramsTokenIsReadAndTakesItsOwnKeys) {
    const ProcessRank own = win32::ownRank();
    EXPECT_FALSE(own.refused);
    ASSERT_TRUE(own.integrity.has_value()) << "no integrity level in this process's token";
    EXPECT_GE(*own.integrity, 0x1000u);
    EXPECT_TRUE(own.elevated.has_value());

    const ProcessRank again = win32::processRank(::GetCurrentProcessId());
    EXPECT_EQ(again.integrity, own.integrity);
    EXPECT_EQ(again.elevated, own.elevated);
    EXPECT_FALSE(keysDropped(again, own));
}

// The window's program may end between the foreground's lookup and the token's.
TEST(Win32ProcessRank, AProcessThatIsGoneLetsTheKeysGo) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    wchar_t command[] = L"cmd.exe /c exit 0";
    ASSERT_TRUE(::CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                 nullptr, nullptr, &startup, &process));
    const DWORD id = process.dwProcessId;
    ::WaitForSingleObject(process.hProcess, 30'000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);

    const ProcessRank gone = win32::processRank(id);
    EXPECT_FALSE(gone.refused);
    EXPECT_FALSE(keysDropped(gone, win32::ownRank()));
}

}  // namespace
}  // namespace korvane
