#pragma once

namespace korvane {

// Makes a console show the UTF-8 text this program writes to standard output and error: on
// Windows the console's output code page becomes UTF-8 (SetConsoleOutputCP) until the program
// ends, when the code page it had is put back (at exit, and on Ctrl+C, Ctrl+Break or the
// console's close), so that the next program in the same console prints as before. A process
// ended from outside (TerminateProcess) leaves UTF-8. POSIX terminals take the bytes as they are,
// so nothing is done there. Output redirected to a file or pipe carries the same bytes either
// way. Call once at start, from the main thread.
void useUtf8Console();

}  // namespace korvane
