#include "platform/FileOpen.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "platform/win32/WideText.h"

namespace korvane {
namespace {

int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

HANDLE openShared(const std::wstring& path, bool write) {
    return ::CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A file in the temporary folder that the system deletes once its last handle is closed.
HANDLE openScratch() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (::GetTempPathW(MAX_PATH + 1, folder) == 0 ||
        ::GetTempFileNameW(folder, L"kv", 0, name) == 0) {
        return INVALID_HANDLE_VALUE;
    }
    HANDLE file =
        ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ::DeleteFileW(name);
    }
    return file;
}

// Copies `source` whole into a scratch file, positioned at its start; closes `source`.
HANDLE copyToScratch(HANDLE source) {
    HANDLE scratch = openScratch();
    bool copied = scratch != INVALID_HANDLE_VALUE;
    char buffer[64 * 1024];
    DWORD got = 0;
    while (copied && ::ReadFile(source, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        DWORD put = 0;
        copied = ::WriteFile(scratch, buffer, got, &put, nullptr) && put == got;
    }
    const DWORD error = ::GetLastError();
    ::CloseHandle(source);
    LARGE_INTEGER start{};
    if (copied && ::SetFilePointerEx(scratch, start, nullptr, FILE_BEGIN)) {
        return scratch;
    }
    if (scratch != INVALID_HANDLE_VALUE) {
        ::CloseHandle(scratch);
    }
    ::SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

std::FILE* streamOf(HANDLE file, bool write) {
    int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file),
                               write ? _O_WRONLY | _O_BINARY : _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(file);
        errno = EMFILE;
        return nullptr;
    }
    std::FILE* stream = ::_fdopen(fd, write ? "wb" : "rb");
    if (stream == nullptr) {
        ::_close(fd);
        errno = EMFILE;
    }
    return stream;
}

}  // namespace

std::FILE* openFile(const std::string& path, const char* mode) {
    const bool write = std::strchr(mode, 'w') != nullptr;
    HANDLE file = openShared(win32::widen(path), write);
    if (file != INVALID_HANDLE_VALUE && !write) {
        file = copyToScratch(file);
    }
    if (file == INVALID_HANDLE_VALUE) {
        errno = errnoOf(::GetLastError());
        return nullptr;
    }
    return streamOf(file, write);
}

}  // namespace korvane
