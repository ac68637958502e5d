#pragma once

#include <filesystem>

namespace korvane {

// Files kept beside the program when a file can be created in its folder (a portable copy, a build
// tree: saving writes a temporary file there and renames it); for a copy installed where the user
// may not write, even with a file already there, or anywhere under /usr (a package's copy, even
// when run as root), or on Windows one installed by the installer (its uninstall.exe beside it,
// even in a folder the user may write), in the user's own folders instead. `program` is the
// program's file, or where the window program's file is for a program that shares its files
// (korvane-host).

// "<program>.ini", else $XDG_CONFIG_HOME (~/.config)/korvane-server/korvane-server.ini;
// on Windows %APPDATA%\korvane-server\korvane-server.ini.
std::filesystem::path settingsFilePath(const std::filesystem::path& program);

// "<program>.png", else $XDG_RUNTIME_DIR (or $XDG_CACHE_HOME, ~/.cache)
// /korvane-server/korvane-server.png; on Windows the same name in %LOCALAPPDATA%\korvane-server.
// The folder is created when it is missing.
std::filesystem::path captureFilePath(const std::filesystem::path& program);

}  // namespace korvane
