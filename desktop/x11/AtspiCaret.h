#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

namespace korvane::x11 {

struct ScreenPoint {
    std::int64_t x = 0;
    std::int64_t y = 0;
};

// Asks the accessibility bus (AT-SPI) where the text caret is. X itself does not know: only the
// application does, and only if it joined the bus. Every question goes to a thread of its own,
// so an application or a bus that does not answer costs the caller at most its budget; while
// such a question is still pending, later ones are answered "unknown" at once.
class TAtspiCaret {
  public:
    TAtspiCaret();
    ~TAtspiCaret();
    TAtspiCaret(const TAtspiCaret&) = delete;
    TAtspiCaret& operator=(const TAtspiCaret&) = delete;

    // The top-left corner of the caret of the focused text of process `pid`, in screen
    // coordinates; nothing when the process has no focused text on the bus or the answer takes
    // longer than `budget`.
    std::optional<ScreenPoint> caretOf(pid_t pid, std::chrono::milliseconds budget);

  private:
    struct Shared;
    std::shared_ptr<Shared> mShared;
};

}  // namespace korvane::x11
