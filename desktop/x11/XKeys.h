#pragma once

#include <X11/Xlib.h>

#include <string>

#include "desktop/DesktopError.h"
#include "desktop/VirtualKey.h"

namespace korvane::x11 {

class XErrorTrap;

// Whether the server can take synthetic input (the XTEST extension).
bool hasXTest(Display* display);

// The key of the active layout that produces `keysym`; 0 when no key does.
KeyCode keyFor(Display* display, KeySym keysym);

// The keysym of a virtual key; NoSymbol for NoKey.
KeySym keysymFor(VirtualKey key);

// Waits until the server has queued the keys sent since `trap` was set; a Keys error with the
// server's reason when it refused one.
DesktopError keysQueued(Display* display, XErrorTrap& trap);

// Presses and releases `key`, with `modifier` held around it unless it is 0, back to back, and
// waits until the server has queued them; a Keys error when the server refused them.
DesktopError tapKey(Display* display, KeyCode key, KeyCode modifier);

}  // namespace korvane::x11
