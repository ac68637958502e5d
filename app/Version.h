#pragma once

#include <string>

namespace korvane {

// The program's version text, "1.1.2.0": ProgramVersion(), the same as --version shows.
std::string GetVersionInfo();

// "KORVANE Server Ver" followed directly by the version text.
std::string VersionTitle();

}  // namespace korvane
