#include "desktop/x11/XClientPing.h"

#include <X11/Xutil.h>
#include <poll.h>

#include <algorithm>

#include "desktop/x11/XErrorTrap.h"
#include "desktop/x11/XFocus.h"

namespace korvane::x11 {
namespace {

bool takesPings(Display* display, Window window, Atom ping) {
    Atom* protocols = nullptr;
    int count = 0;
    if (XGetWMProtocols(display, window, &protocols, &count) == 0) {
        return false;
    }
    const bool takes = std::find(protocols, protocols + count, ping) != protocols + count;
    XFree(protocols);
    return takes;
}

}  // namespace

XClientPing::XClientPing(const std::string& displayName) : mConnection(displayName) {
    if (Display* display = mConnection.display()) {
        mProtocols = XInternAtom(display, "WM_PROTOCOLS", False);
        mPing = XInternAtom(display, "_NET_WM_PING", False);
    }
}

bool XClientPing::lost() const {
    return mConnection.display() == nullptr || mConnection.lost();
}

Window XClientPing::pingedWindow() {
    Display* display = mConnection.display();
    XErrorTrap trap(display);
    Window window = keyboardWindow(display);
    while (window != None) {
        if (takesPings(display, window, mPing)) {
            return window;
        }
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
        window = parent == root ? None : parent;
    }
    return None;
}

bool XClientPing::handledAll(std::chrono::milliseconds timeout) {
    if (lost()) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const Window pinged = pingedWindow();
    if (pinged == None) {
        return false;
    }
    Display* display = mConnection.display();
    const Window root = DefaultRootWindow(display);
    XErrorTrap trap(display);
    // The answer is sent to whoever watches the root window's children.
    XSelectInput(display, root, SubstructureNotifyMask);
    XEvent ping{};
    ping.xclient.type = ClientMessage;
    ping.xclient.window = pinged;
    ping.xclient.message_type = mProtocols;
    ping.xclient.format = 32;
    ping.xclient.data.l[0] = static_cast<long>(mPing);
    ping.xclient.data.l[1] = ++mStamp;
    ping.xclient.data.l[2] = static_cast<long>(pinged);
    XSendEvent(display, pinged, False, NoEventMask, &ping);
    XFlush(display);
    const bool ok = answered(pinged, mStamp, deadline);
    XSelectInput(display, root, NoEventMask);
    // The root window's other events, still on their way, are of no use.
    XSync(display, True);
    return ok && trap.sync() == 0;
}

bool XClientPing::answered(Window pinged, long stamp,
                           std::chrono::steady_clock::time_point deadline) {
    Display* display = mConnection.display();
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event{};
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == mProtocols &&
                event.xclient.format == 32 && static_cast<Atom>(event.xclient.data.l[0]) == mPing &&
                event.xclient.data.l[1] == stamp &&
                static_cast<Window>(event.xclient.data.l[2]) == pinged) {
                return true;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || mConnection.lost()) {
            return false;
        }
        pollfd readable{ConnectionNumber(display), POLLIN, 0};
        ::poll(&readable, 1, static_cast<int>(left.count()) + 1);
    }
}

}  // namespace korvane::x11
