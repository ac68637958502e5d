#pragma once

#include <filesystem>
#include <string_view>

namespace korvane {

// Leaves a report in `folder` (FaultReportFolder::unseenFolder(), which must exist) when the
// process dies of a fault, named "crash-yyyymmdd-hhmmss-<process>" in UTC; the process then ends as
// it would have without it.
//
// POSIX: SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT (std::terminate ends in it). "<name>.txt"
// (mode 0600) holds `header`, the time, the signal, the faulting address and the stack's return
// addresses, written with async-signal-safe calls only on a stack of its own (a stack overflow
// too), then the signal's default action ends the process (a core dump where the system makes one).
// Windows: an exception nothing handled (SetUnhandledExceptionFilter), and std::terminate: a
// minidump "<name>.dmp" through dbghelp's MiniDumpWriteDump and a short "<name>.txt" (`header`,
// the time, the exception code and address); the process ends with the exception's code, without
// the system's own fault dialog.
//
// `header` is the report's first lines (program and version), made now because nothing may be
// made once the fault happened. Call early, on the main thread: on POSIX the handler's own stack
// (for a stack overflow) is that thread's. A second call replaces folder and header and must not
// race a fault. Never undone. A path longer than the handler's buffer (about 4000 bytes) leaves no
// report.
void installFatalFaultHandler(const std::filesystem::path& folder, std::string_view header);

}  // namespace korvane
