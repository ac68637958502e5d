#pragma once

#include <filesystem>
#include <string>

namespace korvane {

// A path as the UTF-8 text the program's logs, messages and traces carry, on every platform
// (a path's string() is in the ANSI code page on Windows, and throws for a character it lacks).
inline std::string pathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace korvane
