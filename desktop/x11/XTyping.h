#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <string>

#include "desktop/DesktopError.h"

namespace korvane::x11 {

// Types `utf8` through XTEST, one key press per character, with `keyDelay` between two keys.
// Line breaks (LF, CR, CR LF) go as Return, TAB as Tab; other control characters are dropped.
// A character on a key of the current layout goes with Shift when it sits on the shifted level.
// One that no key produces is typed through a spare key code (one with no symbols at all),
// which is given that character, pressed, and emptied again; a client reads the new mapping
// only when it handles the change, so each such change waits for the key before it to be taken.
// A Keys error when the server refused the keys or a character needs a spare key and the layout
// has none; the keys before it have gone. The caller serialises calls on `display`.
DesktopError typeText(Display* display, const std::string& utf8,
                      std::chrono::milliseconds keyDelay);

}  // namespace korvane::x11
