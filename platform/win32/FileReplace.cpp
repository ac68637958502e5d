#include "platform/FileReplace.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "platform/ProcessId.h"
#include "platform/win32/SystemMessage.h"

namespace korvane {
namespace {

std::wstring temporaryBeside(const std::filesystem::path& path) {
    static std::atomic<unsigned> counter{0};
    return path.wstring() + L"." + std::to_wstring(currentProcessId()) + L"-" +
           std::to_wstring(++counter) + L".tmp";
}

bool writeAll(HANDLE file, std::string_view contents) {
    while (!contents.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(contents.size(), 1u << 20));
        DWORD put = 0;
        if (!::WriteFile(file, contents.data(), piece, &put, nullptr) || put == 0) {
            return false;
        }
        contents.remove_prefix(put);
    }
    return true;
}

}  // namespace

bool replaceFileContents(const std::filesystem::path& path, std::string_view contents,
                         std::string& error) {
    const std::wstring temp = temporaryBeside(path);
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "CreateFile: " + win32::systemMessage(::GetLastError());
        return false;
    }
    const char* failed = nullptr;
    DWORD code = 0;
    if (!writeAll(file, contents)) {
        failed = "WriteFile";
        code = ::GetLastError();
    }
    if (!failed && !::FlushFileBuffers(file)) {
        failed = "FlushFileBuffers";
        code = ::GetLastError();
    }
    ::CloseHandle(file);
    // Windows cannot replace a file that another program holds open without sharing its deletion
    // (an editor, a virus scanner): a short wait outlasts a scanner's look.
    for (int attempt = 0; !failed; ++attempt) {
        if (::MoveFileExW(temp.c_str(), path.wstring().c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        code = ::GetLastError();
        if ((code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) || attempt == 40) {
            failed = "MoveFileEx";
            break;
        }
        ::Sleep(25);
    }
    ::DeleteFileW(temp.c_str());
    error = std::string(failed) + ": " + win32::systemMessage(code);
    return false;
}

}  // namespace korvane
