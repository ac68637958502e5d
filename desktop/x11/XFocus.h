#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace korvane::x11 {

// The window that receives typed keys: the input focus, or, when the focus follows the pointer
// (PointerRoot, or the root window itself), the deepest window under the pointer. 0 when the
// focus is None or nothing but the root is under the pointer.
Window keyboardWindow(Display* display);

// The process that shows `window`: the _NET_WM_PID of the window or of its nearest ancestor that
// carries one, when that ancestor was made on this machine (WM_CLIENT_MACHINE). 0 if unknown.
pid_t windowProcess(Display* display, Window window);

// The class part of WM_CLASS ("XTerm" of "xterm", "XTerm") of `window` or of its nearest ancestor
// that carries one; "" if none does.
std::string windowClass(Display* display, Window window);

// Where the origin of `window` lies on the screen (root coordinates). False if the window is gone.
bool windowOrigin(Display* display, Window window, std::int64_t& x, std::int64_t& y);

}  // namespace korvane::x11
