#include "desktop/x11/XClipboardReader.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include "desktop/x11/XConnection.h"
#include "desktop/x11/XErrorTrap.h"

namespace korvane::x11 {
namespace {

// The property's whole value when it is UTF-8 text in one piece.
std::optional<std::string> takeProperty(Display* display, Window window, Atom property, Atom utf8) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::optional<std::string> text;
    if (XGetWindowProperty(display, window, property, 0, 0x7FFFFFFF / 4, True, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        type == utf8 && format == 8 && after == 0) {
        text.emplace(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return text;
}

}  // namespace

std::optional<std::string> readClipboardText(const std::string& displayName,
                                             std::chrono::milliseconds budget) {
    XConnection connection(displayName);
    Display* display = connection.display();
    if (display == nullptr) {
        return std::nullopt;
    }
    XErrorTrap trap(display);
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom property = XInternAtom(display, "KORVANE_CLIPBOARD", False);
    if (XGetSelectionOwner(display, clipboard) == None) {
        return std::nullopt;
    }
    const Window window = XCreateWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0,
                                        InputOnly, CopyFromParent, 0, nullptr);
    XConvertSelection(display, clipboard, utf8, property, window, CurrentTime);
    XFlush(display);
    const auto deadline = std::chrono::steady_clock::now() + budget;
    for (;;) {
        while (!connection.lost() && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == SelectionNotify && event.xselection.requestor == window) {
                if (event.xselection.property == None) {
                    return std::nullopt;
                }
                return takeProperty(display, window, property, utf8);
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (connection.lost() || left.count() <= 0) {
            return std::nullopt;
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        ::poll(&fd, 1, static_cast<int>(left.count()) + 1);
    }
}

}  // namespace korvane::x11
