#include "desktop/win32/Win32ProcessRank.h"

#include <windows.h>

#include <vector>

namespace korvane::win32 {
namespace {

std::optional<std::uint32_t> integrityOf(HANDLE token) {
    DWORD size = 0;
    ::GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    if (size == 0) {
        return std::nullopt;
    }
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
        return std::nullopt;
    }
    PSID label = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
    const UCHAR count = *::GetSidSubAuthorityCount(label);
    if (count == 0) {
        return std::nullopt;
    }
    return *::GetSidSubAuthority(label, count - 1U);
}

std::optional<bool> elevationOf(HANDLE token) {
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
        return std::nullopt;
    }
    return elevation.TokenIsElevated != 0;
}

ProcessRank rankOf(HANDLE process) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) {
        return {.refused = ::GetLastError() == ERROR_ACCESS_DENIED};
    }
    ProcessRank rank{.integrity = integrityOf(token), .elevated = elevationOf(token)};
    ::CloseHandle(token);
    return rank;
}

}  // namespace

ProcessRank processRank(unsigned long processId) {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return {.refused = ::GetLastError() == ERROR_ACCESS_DENIED};
    }
    ProcessRank rank = rankOf(process);
    ::CloseHandle(process);
    return rank;
}

ProcessRank ownRank() {
    return rankOf(::GetCurrentProcess());
}

}  // namespace korvane::win32
