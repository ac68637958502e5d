#pragma once

#include <filesystem>

namespace korvane {

// Files kept beside the program when its folder is writable or the file is there already (a
// portable copy, a build tree); for a copy installed where the user may not write, or anywhere
// under /usr (a package's copy, even when run as root), in the user's own folders instead.

// "<program>.ini", else $XDG_CONFIG_HOME (~/.config)/korvane-server/korvane-server.ini.
std::filesystem::path settingsFilePath(const std::filesystem::path& program);

// "<program>.png", else $XDG_RUNTIME_DIR (or $XDG_CACHE_HOME, ~/.cache)
// /korvane-server/korvane-server.png. The folder is created when it is missing.
std::filesystem::path captureFilePath(const std::filesystem::path& program);

}  // namespace korvane
