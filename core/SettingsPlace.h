#pragma once

#include <filesystem>
#include <string>

namespace korvane {

// Where the program keeps its settings, and where its first run there took them from.
struct SettingsPlace {
    std::filesystem::path file;
    // The settings file beside the program, copied to `file` just now: the program's folder
    // cannot take a save and `file` did not exist yet. Empty otherwise.
    std::filesystem::path startedFrom;
};

// The settings are kept in `file`. When that is not `besideProgram` (whoever installed the
// program may have put settings there, in a folder the user may not write), `file` does not exist
// yet and `besideProgram` does, `besideProgram` is copied to `file` whole (approved devices and
// unknown lines included), so that the program starts from it and later saves go to the user's
// own file. A copy that fails is traced and leaves `file` missing: the program starts from the
// defaults, as before. Callable on any thread; touches only these two files and `file`'s folder.
SettingsPlace placeSettings(const std::filesystem::path& besideProgram,
                            const std::filesystem::path& file);

// The program's settings: placeSettings of "<program>.ini" and settingsFilePath(program).
SettingsPlace placeProgramSettings(const std::filesystem::path& program);

// The log line that says where the settings now live (source "Setting").
std::string settingsMovedText(const SettingsPlace& place);

}  // namespace korvane
