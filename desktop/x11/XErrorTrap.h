#pragma once

#include <X11/Xlib.h>

namespace korvane::x11 {

// Xlib reports protocol errors to one process-wide handler whose default ends the process. Every
// connection this layer opens is adopted here: an error on it is recorded by the trap that is in
// force on the calling thread, or dropped when none is, and never reaches another handler.
// Errors on connections of other code (the toolkit's) still go to the handler that was there.
// The same holds for the loss of the connection (the I/O error handler).
void adoptDisplay(Display* display);
void releaseDisplay(Display* display);

// Brackets Xlib calls on one adopted connection and records the first error they cause. Traps
// nest; the innermost one on the thread records. The end of a trap waits for the server, so
// no error of its calls is left to arrive later; when the last call sent has already been
// answered (a reply was read), nothing is left on its way and there is no wait.
class XErrorTrap {
  public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Waits until the server has handled every request sent so far (no wait when the last one
    // has been answered already), then returns the first error code recorded since the trap
    // began (0: none).
    int sync();

  private:
    friend int trapHandler(Display*, XErrorEvent*);
    Display* mDisplay;
    XErrorTrap* mOuter;
    int mError = 0;
};

}  // namespace korvane::x11
