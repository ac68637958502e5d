// PngFile on Windows, with the encoder over zlib: libpng is not at hand there.
#include "desktop/PngFile.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "desktop/ZlibPng.h"
#include "platform/win32/FileMove.h"
#include "platform/win32/OwnerOnly.h"
#include "platform/win32/SystemMessage.h"
#include "platform/win32/WideText.h"

namespace korvane {
namespace {

std::string createError(const std::wstring& path, HRESULT result) {
    std::error_code ignored;
    std::wstring full = std::filesystem::absolute(std::filesystem::path(path), ignored).wstring();
    return "ファイル \"" + win32::narrow(full) + "\" を作成できません。" +
           win32::systemMessage(static_cast<unsigned long>(result));
}

HRESULT lastError() {
    return HRESULT_FROM_WIN32(::GetLastError());
}

// Writes all of `bytes` to `file`.
HRESULT writeAll(HANDLE file, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, part, &written, nullptr)) {
            return lastError();
        }
        done += written;
    }
    return S_OK;
}

}  // namespace

struct PngFile::Parts {
    std::wstring target;
    // The temporary file until it is put in place; empty when there is none.
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    // Why the temporary file could not be made, for write to report.
    HRESULT created = S_OK;
};

PngFile::PngFile(const std::string& path) : mParts(std::make_unique<Parts>()) {
    Parts& parts = *mParts;
    parts.target = win32::widen(path);
    parts.temp = win32::temporaryPathBeside(parts.target);
    // The screen around the caret may show what others must not read: the user's alone.
    win32::OwnerOnly ownerOnly(false);
    parts.file = ::CreateFileW(parts.temp.c_str(), GENERIC_WRITE, 0, ownerOnly.attributes(),
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (parts.file == INVALID_HANDLE_VALUE) {
        parts.created = lastError();
        parts.temp.clear();
    }
}

PngFile::~PngFile() {
    if (mParts->file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(mParts->file);
    }
    if (!mParts->temp.empty()) {
        ::DeleteFileW(mParts->temp.c_str());
    }
}

DesktopError PngFile::write(const RgbImage& image) {
    Parts& parts = *mParts;
    if (DesktopError bad = badPicture(image)) {
        return bad;
    }
    HRESULT hr = parts.created;
    if (SUCCEEDED(hr) && parts.file == INVALID_HANDLE_VALUE) {
        hr = HRESULT_FROM_WIN32(ERROR_INVALID_HANDLE);
    }
    if (SUCCEEDED(hr)) {
        std::optional<std::vector<std::uint8_t>> png = encodeZlibPng(image);
        hr = png ? writeAll(parts.file, *png) : E_OUTOFMEMORY;
    }
    // Closed before the move, so that it can be renamed.
    if (parts.file != INVALID_HANDLE_VALUE &&
        !::CloseHandle(std::exchange(parts.file, INVALID_HANDLE_VALUE)) && SUCCEEDED(hr)) {
        hr = lastError();
    }
    if (SUCCEEDED(hr)) {
        // The server's sender holds the capture only while it copies it (see platform/FileOpen.h),
        // which the move's short waits outlast; a program of the user's that keeps the file open
        // makes the capture fail.
        hr = HRESULT_FROM_WIN32(win32::moveReplacing(parts.temp, parts.target));
    }
    if (FAILED(hr)) {
        return DesktopError(DesktopError::Kind::Capture, createError(parts.target, hr));
    }
    parts.temp.clear();
    return {};
}

}  // namespace korvane
