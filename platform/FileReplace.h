#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// Replaces the file at `path` with `contents` whole: they go to a temporary file in the same
// folder, which is flushed to the disk and renamed over the old file, so that the file on disk is
// always either the old or the new text, whenever the program or the machine stops. The new file
// keeps the old one's permissions (POSIX), or is the user's alone (0600) when there was none; the
// temporary file is the user's alone before it holds a byte. Any thread; two
// callers replacing the same file at once leave one of the two texts. The failed step and the
// system's reason ("rename: Permission denied") when the file could not be replaced; the
// temporary file is then removed again.
std::optional<std::string> replaceFileContents(const std::filesystem::path& path,
                                               std::string_view contents);

}  // namespace korvane
