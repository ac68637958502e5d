#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "win/LogListControl.h"

namespace korvane {

// The log list's lines, oldest first, each ended by "\n", as UTF-8 text in `file` (replaced).
// False when the file cannot be written.
bool exportLog(const LogListControl& log, const std::filesystem::path& file);

// A Qt file dialog's filter ("Text files (*.txt);;All files (*)") as the Windows file dialogs take
// it: each name and its patterns (separated by ';'), each ended by a NUL.
std::wstring windowsFileFilter(const std::string& qtFilter);

// The save dialog of the log's export, owned by `owner`: the file the user chose, if any.
std::optional<std::filesystem::path> chooseExportFile(HWND owner, const std::string& title,
                                                      const std::string& qtFilter);

}  // namespace korvane
