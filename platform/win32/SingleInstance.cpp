#include "platform/SingleInstance.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace korvane {

SingleInstance::SingleInstance(const std::string& name) : mPath("Local\\" + name) {
    // Not inherited: a started child must not keep the mutex alive after this process ends.
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, win32::widen(mPath).c_str());
    const DWORD error = ::GetLastError();
    if (mutex == nullptr) {
        // A mutex of that name made by a process this one may not open still means a copy runs.
        mState = error == ERROR_ACCESS_DENIED ? Result::AlreadyRunning : Result::Unavailable;
        return;
    }
    if (error == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        mState = Result::AlreadyRunning;
        return;
    }
    mHandle = reinterpret_cast<std::intptr_t>(mutex);
    mState = Result::Acquired;
}

SingleInstance::~SingleInstance() {
    if (mHandle != -1) {
        ::CloseHandle(reinterpret_cast<HANDLE>(mHandle));
    }
}

}  // namespace korvane
