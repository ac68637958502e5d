#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/VirtualKey.h"

namespace korvane::kde {

// Linux input event codes (linux/input-event-codes.h) of the keys KWin's fake input presses.
inline constexpr std::uint32_t kEvdevLeftShift = 42;
inline constexpr std::uint32_t kEvdevLeftControl = 29;
inline constexpr std::uint32_t kEvdevV = 47;

// One key of the US layout, with Shift held around it or not.
struct EvdevStroke {
    std::uint32_t code = 0;
    bool shift = false;
};

// A piece of a text: keys the layout types, or text no key gives (pasted instead).
struct TextRun {
    std::vector<EvdevStroke> keys;
    std::string pasted;
};

// The event code of a phone's key (Enter, Tab, F2); 0 for NoKey.
std::uint32_t evdevCodeOf(VirtualKey key);

// Splits UTF-8 `text` into runs in order: printable ASCII, line breaks (Enter) and TABs as keys
// of the US layout, which is the layout KWin gives fake input unless the user chose another;
// everything else (kanji, é, other control characters excepted) as text to paste. Other control
// characters are left out, as typed keys leave them out elsewhere.
std::vector<TextRun> splitForKeys(const std::string& text);

}  // namespace korvane::kde
