#include "win/SessionLanguages.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace korvane {

std::vector<std::string> sessionLanguages() {
    ULONG count = 0;
    ULONG length = 0;
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) || length == 0) {
        return {};
    }
    std::wstring names(length, L'\0');
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &length)) {
        return {};
    }
    // Names end with a NUL each, the list with one more.
    std::vector<std::string> languages;
    for (std::size_t at = 0; at < names.size() && names[at] != L'\0';) {
        const std::size_t end = names.find(L'\0', at);
        languages.push_back(win32::narrow(std::wstring_view(names).substr(at, end - at)));
        at = end + 1;
    }
    return languages;
}

}  // namespace korvane
