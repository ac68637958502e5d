#include "core/SettingsPlace.h"

#include <fstream>
#include <sstream>

#include "platform/AppPaths.h"
#include "platform/FileReplace.h"
#include "platform/PathText.h"
#include "platform/Trace.h"

namespace korvane {
SettingsPlace placeSettings(const std::filesystem::path& besideProgram,
                            const std::filesystem::path& file) {
    std::error_code error;
    if (file == besideProgram || std::filesystem::exists(file, error) || error ||
        !std::filesystem::is_regular_file(besideProgram, error)) {
        return {file, {}};
    }
    std::ifstream in(besideProgram, std::ios::binary);
    std::ostringstream text;
    if (in.is_open()) {
        text << in.rdbuf();
    }
    if (!in.is_open() || in.bad()) {
        traceOutput("placeSettings: " + pathText(besideProgram) + ": cannot be read");
        return {file, {}};
    }
    std::filesystem::create_directories(file.parent_path(), error);
    // Written as a save writes it (a new file, whole or not at all), not copied: the copy of a
    // read-only file would be read-only too.
    if (auto failure = replaceFileContents(file, text.str())) {
        traceOutput("placeSettings: " + pathText(file) + ": " + *failure);
        return {file, {}};
    }
    return {file, besideProgram};
}

SettingsPlace placeProgramSettings(const std::filesystem::path& program) {
    std::filesystem::path beside = program;
    beside.replace_extension(".ini");
    return placeSettings(beside, settingsFilePath(program));
}

std::string settingsMovedText(const SettingsPlace& place) {
    return "設定ファイル " + pathText(place.startedFrom) +
           " には保存できないため、その内容を引き継ぎ、設定は " + pathText(place.file) +
           " に保存します。";
}

}  // namespace korvane
