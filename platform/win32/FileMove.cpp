#include "platform/win32/FileMove.h"

#include <windows.h>

#include <atomic>

#include "platform/ProcessId.h"

namespace korvane::win32 {

std::wstring temporaryPathBeside(const std::wstring& path) {
    static std::atomic<unsigned> counter{0};
    return path + L"." + std::to_wstring(currentProcessId()) + L"-" + std::to_wstring(++counter) +
           L".tmp";
}

unsigned long moveReplacing(const std::wstring& from, const std::wstring& to,
                            unsigned long extraFlags) {
    for (int attempt = 0;; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | extraFlags)) {
            return 0;
        }
        const DWORD error = ::GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) || attempt == 40) {
            return error;
        }
        ::Sleep(25);
    }
}

}  // namespace korvane::win32
