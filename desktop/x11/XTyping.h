#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <string>

#include "desktop/DesktopError.h"

namespace korvane::x11 {

// Waits until the client that has the keyboard focus has handled the keys sent so far; false when
// that could not be told (the client was not asked, or did not answer in time).
using KeysHandled = std::function<bool()>;

// Types `utf8` through XTEST, one key press per character, with `keyDelay` between two keys.
// Line breaks (LF, CR, CR LF) go as Return, TAB as Tab; other control characters are dropped.
// A character on a key of the current layout goes with Shift when it sits on the shifted level.
// The others are typed through spare key codes (those with no symbols at all): the characters
// the text needs next, as many as there are spare keys, are given one key each, and keys are
// given new ones when the text needs more. A client reads a new mapping only when it comes to
// handle the change, and some read keys that came with it before they handle it: so the keys
// after a change wait for `keysHandled` (the client has handled the change), and so does the
// next change of a key typed on, and the emptying of the keys at the end (the client has handled
// the keys). When it cannot tell, 250 ms stand in for each wait (a client slowed down by a busy
// machine took longer than 100 ms).
// Shift is held down through a run of shifted characters. Without a pause the keys go to the
// server together, and the call returns once it has queued them all.
// A Keys error when the server refused a key (the keys before it and, without a pause, those
// after it have gone) or a character needs a spare key and the layout has none (the keys before
// it have gone). The caller serialises calls on `display`.
DesktopError typeText(Display* display, const std::string& utf8, std::chrono::milliseconds keyDelay,
                      const KeysHandled& keysHandled);

}  // namespace korvane::x11
