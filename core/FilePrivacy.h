#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace korvane {

// Whether `folder` is one of the program's own folders, which it may close to other users: one
// named for the program ("korvane-server", as the user's configuration, cache and runtime folders
// hold it), and never the folder the program's file sits in, which may hold other programs.
bool isOwnFolder(const std::filesystem::path& folder);

// Closes what the program keeps to other users, as a run begins (PrivateFiles.h): the settings
// file (the approved phones' keys), the scan history's folder and files (customers' numbers),
// and the settings' and captures' folders when they are the program's own. Returns a log text for
// each that had to be tightened or could not be, as
// "<path> を他のユーザーから読めないように変更しました。".
std::vector<std::string> closeFilesToOthers(const std::filesystem::path& settingsFile,
                                            const std::filesystem::path& historyFile,
                                            const std::filesystem::path& captureFile);

}  // namespace korvane
