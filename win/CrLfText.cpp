#include "win/CrLfText.h"

#include "platform/win32/WideText.h"

namespace korvane {

std::wstring crLfText(std::string_view utf8) {
    const std::wstring wide = win32::widen(utf8);
    std::wstring shown;
    shown.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] != L'\r' && wide[i] != L'\n') {
            shown += wide[i];
            continue;
        }
        shown += L"\r\n";
        if (wide[i] == L'\r' && i + 1 < wide.size() && wide[i + 1] == L'\n') {
            ++i;
        }
    }
    return shown;
}

}  // namespace korvane
