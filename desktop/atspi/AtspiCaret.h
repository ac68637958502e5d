#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>

#include "desktop/CaptureGeometry.h"

namespace korvane::atspi {

// Asks the accessibility bus (AT-SPI) where the text caret is. Neither X nor a Wayland compositor
// knows: only the application does, and only if it joined the bus. A Wayland application does not
// know where its window is, so its "screen" coordinates are those of its own window.
//
// The top-left corner of the caret of the focused text of process `pid`, in screen coordinates;
// nothing when the process has no focused text on the bus or the answer takes longer than
// `budget`. The questions go to one thread of the process's own, started on first use and kept to
// the end (the accessibility library holds process-wide state that does not survive being shut
// down and set up again), so an application or a bus that does not answer costs the caller at
// most its budget; while such a question is still pending, later ones get "nothing" at once.
std::optional<ScreenPoint> atspiCaretOf(pid_t pid, std::chrono::milliseconds budget);

// Starts that thread and its connection to the bus now, if not yet started, without waiting for
// them: the first question then finds them ready instead of paying for them.
void startAtspi();

}  // namespace korvane::atspi
