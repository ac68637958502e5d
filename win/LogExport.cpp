#include "win/LogExport.h"

#include <commdlg.h>

#include <fstream>

#include "platform/win32/WideText.h"

namespace korvane {

bool exportLog(const LogListControl& log, const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (std::size_t row = log.size(); row > 0; --row) {
        const std::string_view line = log.line(row - 1);
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        out.put('\n');
    }
    out.flush();
    return out.good();
}

std::wstring windowsFileFilter(const std::string& qtFilter) {
    std::wstring filter;
    std::size_t at = 0;
    while (at <= qtFilter.size()) {
        std::size_t end = qtFilter.find(";;", at);
        if (end == std::string::npos) {
            end = qtFilter.size();
        }
        const std::string entry = qtFilter.substr(at, end - at);
        const std::size_t open = entry.rfind('(');
        const std::size_t close = entry.rfind(')');
        std::string patterns =
            open != std::string::npos && close != std::string::npos && close > open
                ? entry.substr(open + 1, close - open - 1)
                : "*";
        for (char& c : patterns) {
            c = c == ' ' ? ';' : c;
        }
        filter += win32::widen(entry) + L'\0' + win32::widen(patterns) + L'\0';
        at = end + 2;
    }
    return filter;
}

std::optional<std::filesystem::path> chooseExportFile(HWND owner, const std::string& title,
                                                      const std::string& qtFilter) {
    wchar_t file[MAX_PATH * 4] = L"korvane-log.txt";
    const std::wstring filter = windowsFileFilter(qtFilter);
    const std::wstring caption = win32::widen(title);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH * 4;
    dialog.lpstrTitle = caption.c_str();
    dialog.lpstrDefExt = L"txt";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog)) {
        return std::nullopt;
    }
    return std::filesystem::path(file);
}

}  // namespace korvane
