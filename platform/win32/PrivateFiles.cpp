#include "platform/PrivateFiles.h"

#include <windows.h>

#include "platform/win32/OwnerOnly.h"

namespace korvane {
namespace {

// A link or junction is never followed: what it reaches may not be the user's.
bool isLink(const std::filesystem::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

Privacy tighten(const std::filesystem::path& path, bool folder) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
    if (error ||
        (folder ? !std::filesystem::is_directory(status)
                : !std::filesystem::is_regular_file(status)) ||
        isLink(path)) {
        return Privacy::Unchanged;
    }
    const win32::OwnerOnly ownerOnly(folder);
    const std::optional<bool> holds = ownerOnly.holds(path);
    if (!holds) {
        return Privacy::Failed;
    }
    if (*holds || !ownerOnly.ownedByUser(path)) {
        return Privacy::Unchanged;
    }
    if (!ownerOnly.apply(path)) {
        return Privacy::Failed;
    }
    // A file system that takes a DACL and keeps none (Wine's drives) is left as it was: telling
    // the user it was tightened at every start would be untrue.
    return ownerOnly.holds(path).value_or(false) ? Privacy::Tightened : Privacy::Unchanged;
}

}  // namespace

Privacy makePrivateFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    if (folder.has_parent_path()) {
        std::filesystem::create_directories(folder.parent_path(), ignored);
    }
    win32::OwnerOnly ownerOnly(true);
    if (::CreateDirectoryW(folder.c_str(), ownerOnly.attributes())) {
        return Privacy::Created;
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS) {
        return Privacy::Failed;
    }
    return tighten(folder, true);
}

Privacy tightenFolder(const std::filesystem::path& folder) {
    return tighten(folder, true);
}

Privacy tightenFile(const std::filesystem::path& file) {
    return tighten(file, false);
}

Privacy createPrivateFile(const std::filesystem::path& file) {
    win32::OwnerOnly ownerOnly(false);
    HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, ownerOnly.attributes(),
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(handle);
        return Privacy::Created;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS) {
        return Privacy::Failed;
    }
    return tightenFile(file);
}

}  // namespace korvane
