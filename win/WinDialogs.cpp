#include "win/WinDialogs.h"

#include "platform/Trace.h"
#include "platform/VisibleText.h"
#include "platform/win32/WideText.h"
#include "win/CrLfText.h"

namespace korvane {
namespace {

// A text may quote a peer's bytes: their controls are shown, not obeyed.
std::wstring boxText(const std::string& text) {
    return crLfText(visibleText(text, LineBreaks::Keep));
}

BOOL CALLBACK closeBox(HWND window, LPARAM) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

WinDialogs::WinDialogs(std::string title)
    : mTitle(win32::widen(title)), mWindowThread(GetCurrentThreadId()) {}

int WinDialogs::showBox(const std::string& text, UINT style) {
    if (GetCurrentThreadId() == mWindowThread) {
        return MessageBoxW(mOwner, boxText(text).c_str(), mTitle.c_str(), style);
    }
    const DWORD thread = GetCurrentThreadId();
    {
        std::lock_guard lock(mLock);
        if (mShutdown) {
            traceOutput(text);
            return IDOK;
        }
        mBoxThreads.insert(thread);
    }
    const int answer =
        MessageBoxW(nullptr, boxText(text).c_str(), mTitle.c_str(), style | MB_SETFOREGROUND);
    std::lock_guard lock(mLock);
    mBoxThreads.erase(mBoxThreads.find(thread));
    return answer;
}

void WinDialogs::showError(const std::string& text) {
    showBox(text, MB_OK | MB_ICONERROR);
}

void WinDialogs::showWarning(const std::string& text) {
    showBox(text, MB_OK | MB_ICONWARNING);
}

bool WinDialogs::confirm(const std::string& text) {
    return showBox(text, MB_YESNO | MB_ICONQUESTION) != IDNO;
}

void WinDialogs::shutdown() {
    std::lock_guard lock(mLock);
    mShutdown = true;
    for (DWORD thread : mBoxThreads) {
        EnumThreadWindows(thread, &closeBox, 0);
    }
}

}  // namespace korvane
