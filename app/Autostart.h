#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace korvane {

// Starting the program with the desktop session, by the XDG autostart rule: a desktop entry in
// $XDG_CONFIG_HOME/autostart (~/.config/autostart) that every XDG desktop runs at login.

// "$XDG_CONFIG_HOME/autostart/korvane-server.desktop", or under ~/.config.
std::filesystem::path autostartFilePath();

// Whether the entry is there, starts `program` (another copy's entry, left by an older install or
// a copy elsewhere, does not count), and is not switched off with Hidden=true, as desktops' own
// settings tools do.
bool autostartEnabled(const std::filesystem::path& entry, const std::filesystem::path& program);

// Writes the entry that starts `program`; an installed copy (under /usr) is started by name, so
// that the entry survives an update. "<path> に書き込めません" on failure.
std::optional<std::string> enableAutostart(const std::filesystem::path& entry,
                                           const std::filesystem::path& program);

// Removes the entry; a missing one is no failure. "<path> を削除できません" on failure.
std::optional<std::string> disableAutostart(const std::filesystem::path& entry);

}  // namespace korvane
