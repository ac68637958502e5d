#include "platform/ConsoleText.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>

namespace korvane {
namespace {

// The console's output code page before this program changed it; 0 once put back.
std::atomic<UINT> gPrevious{0};

void restoreCodePage() {
    if (const UINT previous = gPrevious.exchange(0); previous != 0) {
        ::SetConsoleOutputCP(previous);
    }
}

// Ctrl+C, Ctrl+Break and the console's close end the process without running atexit's
// functions: the code page goes back here, and the next handler (the system's) ends the process.
BOOL WINAPI onConsoleControl(DWORD) {
    restoreCodePage();
    return FALSE;
}

}  // namespace

void useUtf8Console() {
    // 0 without a console (a service, output redirected by a detached parent): nothing to change.
    const UINT previous = ::GetConsoleOutputCP();
    if (previous == 0 || previous == CP_UTF8 || !::SetConsoleOutputCP(CP_UTF8)) {
        return;
    }
    gPrevious = previous;
    std::atexit(&restoreCodePage);
    ::SetConsoleCtrlHandler(&onConsoleControl, TRUE);
}

}  // namespace korvane
