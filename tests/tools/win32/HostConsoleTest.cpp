// korvane-host.exe in a console it shares with the test, under Wine: the console's output code
// page it sets for its UTF-8 text is put back when it ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

// Runs `commandLine` in this process's console and waits for it; its exit status.
DWORD runInThisConsole(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        ADD_FAILURE() << "cannot start a program: " << ::GetLastError();
        return ~DWORD{0};
    }
    ::WaitForSingleObject(process.hProcess, 60'000);
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return status;
}

std::wstring hostCommand(const wchar_t* arguments) {
    std::wstring host = KORVANE_HOST_EXE;
    return L"\"" + host + L"\" " + arguments;
}

TEST(HostConsole, TheOutputCodePageIsPutBackWhenTheHostEnds) {
    if (::GetConsoleOutputCP() == 0) {
        // Under Wine a program started from a shell without a terminal may hold a console
        // handle that has no code page: a console of its own takes its place.
        ::FreeConsole();
        ASSERT_TRUE(::AllocConsole()) << "no console to share: " << ::GetLastError();
    }
    ASSERT_TRUE(::SetConsoleOutputCP(932));
    // A program that sets UTF-8 and leaves it so: the console is shared, so the check sees it.
    ASSERT_EQ(runInThisConsole(L"cmd.exe /c chcp 65001"), 0u);
    ASSERT_EQ(::GetConsoleOutputCP(), 65001u) << "the console's code page is not shared";

    // The ways the host ends by itself: after --version (exit), a bad argument (exit 2), and a
    // start refused (returned from main).
    for (const wchar_t* arguments : {L"--version", L"--no-such-option", L"--port 0"}) {
        ASSERT_TRUE(::SetConsoleOutputCP(932));
        runInThisConsole(hostCommand(arguments));
        EXPECT_EQ(::GetConsoleOutputCP(), 932u) << "after korvane-host " << arguments;
    }
}

}  // namespace
