#pragma once

#include <string>
#include <vector>

namespace korvane {

// The program's arguments as UTF-8, the program's name first. POSIX: argv as given. Windows: read
// again from the process's UTF-16 command line (CommandLineToArgvW), because argv carries them in
// the ANSI code page, which cannot hold every character of a path (a kanji folder under code page
// 1252, a character outside JIS under 932); argv is used only when that fails. Call from main.
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace korvane
