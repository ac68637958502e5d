#include "platform/FileReplace.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/FileMove.h"
#include "platform/win32/OwnerOnly.h"
#include "platform/win32/SystemMessage.h"

namespace korvane {
namespace {

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

std::optional<std::string> replaceFileContents(const std::filesystem::path& path,
                                               std::string_view contents) {
    const std::wstring temp = win32::temporaryPathBeside(path.wstring());
    // Born the user's alone: the settings hold the approved phones' keys.
    win32::OwnerOnly ownerOnly(false);
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, ownerOnly.attributes(), CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "CreateFile: " + win32::systemMessage(::GetLastError());
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
    if (!failed) {
        code = win32::moveReplacing(temp, path.wstring(), MOVEFILE_WRITE_THROUGH);
        if (code == 0) {
            return std::nullopt;
        }
        failed = "MoveFileEx";
    }
    ::DeleteFileW(temp.c_str());
    return std::string(failed) + ": " + win32::systemMessage(code);
}

}  // namespace korvane
