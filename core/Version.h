#pragma once

#include <string>

namespace korvane {

// The program's version text, "1.1.2.0": programVersion(), the same as --version shows.
std::string versionInfo();

// "KORVANE Server Ver" followed directly by the version text.
std::string versionTitle();

}  // namespace korvane
