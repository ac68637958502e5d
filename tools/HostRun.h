#pragma once

#include <functional>

namespace korvane {

// korvane-host: the request server with the desktop of this session and no window, for a PC that
// nobody looks at. Log lines go to standard output. Reads the command line, runs until listening
// fails and returns the exit status (or exits itself: --help, --version, bad arguments).
// `afterStart`, when given, runs on the calling thread once listening has been asked for and the
// fault reports are in place: the seam through which the tests' copy of the program faults.
int runHost(int argc, char** argv, const std::function<void()>& afterStart);

}  // namespace korvane
