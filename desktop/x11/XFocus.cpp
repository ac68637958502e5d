#include "desktop/x11/XFocus.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <string>

#include "desktop/x11/XErrorTrap.h"

namespace korvane::x11 {
namespace {

Window deepestUnderPointer(Display* display, Window root) {
    Window window = root;
    for (;;) {
        Window rootReturn = 0;
        Window child = 0;
        int rootX = 0;
        int rootY = 0;
        int x = 0;
        int y = 0;
        unsigned int mask = 0;
        if (!XQueryPointer(display, window, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask) ||
            child == None) {
            return window == root ? None : window;
        }
        window = child;
    }
}

std::optional<pid_t> pidProperty(Display* display, Window window) {
    const Atom netWmPid = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    std::optional<pid_t> pid;
    if (XGetWindowProperty(display, window, netWmPid, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        type == XA_CARDINAL && format == 32 && count == 1) {
        pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data != nullptr) {
        XFree(data);
    }
    return pid;
}

// A window without WM_CLIENT_MACHINE is taken to be local, as X clients on a remote machine are
// rare and the toolkits that set _NET_WM_PID also set the machine.
bool madeHere(Display* display, Window window) {
    XTextProperty machine{};
    if (!XGetWMClientMachine(display, window, &machine) || machine.value == nullptr) {
        return true;
    }
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const bool same = machine.format == 8 && std::strlen(host) == machine.nitems &&
                      std::memcmp(host, machine.value, machine.nitems) == 0;
    XFree(machine.value);
    return same;
}

// The parent of `window`, None once the parent is the root (or the window is gone).
Window parentOf(Display* display, Window window) {
    Window root = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) {
        return None;
    }
    if (children != nullptr) {
        XFree(children);
    }
    return parent == root ? None : parent;
}

std::optional<std::string> classProperty(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) {
        return std::nullopt;
    }
    std::optional<std::string> found;
    if (hint.res_class != nullptr) {
        found = hint.res_class;
    }
    if (hint.res_name != nullptr) {
        XFree(hint.res_name);
    }
    if (hint.res_class != nullptr) {
        XFree(hint.res_class);
    }
    return found;
}

}  // namespace

Window keyboardWindow(Display* display) {
    XErrorTrap trap(display);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None) {
        return None;
    }
    Window root = DefaultRootWindow(display);
    if (focus == PointerRoot || focus == root) {
        return deepestUnderPointer(display, root);
    }
    return focus;
}

pid_t windowProcess(Display* display, Window window) {
    XErrorTrap trap(display);
    while (window != None) {
        if (std::optional<pid_t> pid = pidProperty(display, window)) {
            return madeHere(display, window) ? *pid : 0;
        }
        window = parentOf(display, window);
    }
    return 0;
}

std::string windowClass(Display* display, Window window) {
    XErrorTrap trap(display);
    while (window != None) {
        if (std::optional<std::string> found = classProperty(display, window)) {
            return *found;
        }
        window = parentOf(display, window);
    }
    return "";
}

bool windowOrigin(Display* display, Window window, std::int64_t& x, std::int64_t& y) {
    XErrorTrap trap(display);
    int rootX = 0;
    int rootY = 0;
    Window child = None;
    if (window == None || !XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0,
                                                 &rootX, &rootY, &child)) {
        return false;
    }
    if (trap.sync() != 0) {
        return false;
    }
    x = rootX;
    y = rootY;
    return true;
}

}  // namespace korvane::x11
