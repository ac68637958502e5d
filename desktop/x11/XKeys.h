#pragma once

#include <X11/Xlib.h>

#include <string>

#include "desktop/VirtualKey.h"

namespace korvane::x11 {

// Whether the server can take synthetic input (the XTEST extension).
bool hasXTest(Display* display);

// The key of the active layout that produces `keysym`; 0 when no key does.
KeyCode keyFor(Display* display, KeySym keysym);

// The keysym of a virtual key; NoSymbol for NoKey.
KeySym keysymFor(VirtualKey key);

// Presses and releases `key`, with `modifier` held around it unless it is 0, back to back, and
// waits until the server has queued them. False with the reason if the server refused them.
bool tapKey(Display* display, KeyCode key, KeyCode modifier, std::string& error);

}  // namespace korvane::x11
