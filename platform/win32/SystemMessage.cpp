#include "platform/win32/SystemMessage.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/WideText.h"

namespace korvane::win32 {

std::string systemMessage(unsigned long code) {
    wchar_t* text = nullptr;
    DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n > 0 ? std::wstring(text, n) : std::wstring();
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.pop_back();
    }
    if (message.empty()) {
        char hex[32];
        std::snprintf(hex, sizeof hex, "0x%08lX", code);
        return hex;
    }
    return narrow(message);
}

}  // namespace korvane::win32
