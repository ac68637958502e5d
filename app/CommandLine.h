#pragma once

#include <iosfwd>
#include <optional>

namespace korvane {

// korvane-server's command line, in the usual form: -h/--help, -v/--version and nothing else.
//
// main() asks twice with its argc/argv: first before QApplication exists, so that --help and
// --version answer with no display at all; then right after QApplication has taken Qt's own
// options (-platform, -display, -style ...) out of argv. An option the program does not know is
// a mistake only at the second asking, since the first cannot tell it from one of Qt's.
//
// Writes the help or the version line to out and a mistake (with a hint at --help) to err.
// Returns the exit status when the program is to end here (0 after --help or --version, 2 for a
// mistake), std::nullopt when the window is to start. Main thread only.
std::optional<int> answerCommandLine(int argc, char* argv[], std::ostream& out, std::ostream& err);

}  // namespace korvane
