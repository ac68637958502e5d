#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>

namespace korvane::x11 {

struct ScreenPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
};

// Asks the accessibility bus (AT-SPI) where the text caret is. X itself does not know: only the
// application does, and only if it joined the bus.
//
// The top-left corner of the caret of the focused text of process `pid`, in screen coordinates;
// nothing when the process has no focused text on the bus or the answer takes longer than
// `budget`. The questions go to one thread of the process's own, started on first use and kept to
// the end (the accessibility library holds process-wide state that does not survive being shut
// down and set up again), so an application or a bus that does not answer costs the caller at
// most its budget; while such a question is still pending, later ones get "nothing" at once.
std::optional<ScreenPoint> atspiCaretOf(pid_t pid, std::chrono::milliseconds budget);

}  // namespace korvane::x11
