#pragma once

#include <filesystem>

namespace korvane {

// The running program's own file (/proc/self/exe, GetModuleFileNameW): the settings and capture
// files live beside it. Empty when the system cannot tell.
std::filesystem::path programFile();

}  // namespace korvane
