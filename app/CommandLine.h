#pragma once

#include <iosfwd>
#include <optional>

namespace korvane {

// korvane-server's command line, in the usual form: -h/--help, -v/--version and nothing else.
//
// main() asks before QApplication exists, so that --help, --version and a mistake answer with no
// display at all. Qt's own options (-platform, -display, -style ..., with one dash or two, and
// their values) are left for QApplication to take out of argv.
//
// Writes the help or the version line to out and a mistake (with a hint at --help) to err.
// Returns the exit status when the program is to end here (0 after --help or --version, 2 for a
// mistake), std::nullopt when the window is to start. Main thread only.
std::optional<int> answerCommandLine(int argc, char* argv[], std::ostream& out, std::ostream& err);

}  // namespace korvane
