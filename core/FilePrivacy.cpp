#include "core/FilePrivacy.h"

#include "platform/PathText.h"
#include "platform/PrivateFiles.h"
#include "platform/ProgramFile.h"

namespace korvane {
namespace {

constexpr char kOwnFolderName[] = "korvane-server";

void report(Privacy privacy, const std::filesystem::path& path, std::vector<std::string>& texts) {
    if (privacy == Privacy::Tightened) {
        texts.push_back(pathText(path) + " を他のユーザーから読めないように変更しました。");
    } else if (privacy == Privacy::Failed) {
        texts.push_back(pathText(path) + " を他のユーザーから読めないように変更できませんでした。");
    }
}

}  // namespace

bool isOwnFolder(const std::filesystem::path& folder) {
    if (folder.filename() != kOwnFolderName) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path program = programFile();
    return program.empty() || !std::filesystem::equivalent(folder, program.parent_path(), error);
}

std::vector<std::string> closeFilesToOthers(const std::filesystem::path& settingsFile,
                                            const std::filesystem::path& historyFile,
                                            const std::filesystem::path& captureFile) {
    std::vector<std::string> texts;
    for (const std::filesystem::path& folder :
         {settingsFile.parent_path(), captureFile.parent_path()}) {
        if (isOwnFolder(folder)) {
            report(tightenFolder(folder), folder, texts);
        }
    }
    report(tightenFile(settingsFile), settingsFile, texts);
    const std::filesystem::path history = historyFile.parent_path();
    report(tightenFolder(history), history, texts);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(history, error)) {
        if (entry.is_regular_file(error)) {
            report(tightenFile(entry.path()), entry.path(), texts);
        }
    }
    return texts;
}

}  // namespace korvane
