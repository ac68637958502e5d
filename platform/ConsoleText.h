#pragma once

namespace korvane {

// Makes a console show the UTF-8 text this program writes to standard output and error: on
// Windows the console's output code page becomes UTF-8 (SetConsoleOutputCP) for as long as the
// console lives; POSIX terminals take the bytes as they are, so nothing is done there. Output
// redirected to a file or pipe carries the same bytes either way. Call once at start.
void useUtf8Console();

}  // namespace korvane
