#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The version of this build, "1.1.2.0": project(VERSION) in the top CMakeLists.txt, the one text
// that every program's --version and the window's title show. Never empty; thread-safe.
const char* programVersion();

// The usual answer to --version: "<program> <version>\n", for example "korvane-phone 1.1.2.0\n".
std::string versionLine(std::string_view program);

}  // namespace korvane
