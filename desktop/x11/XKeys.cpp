#include "desktop/x11/XKeys.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "desktop/x11/XErrorTrap.h"

namespace korvane::x11 {

bool hasXTest(Display* display) {
    XErrorTrap trap(display);
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) == True;
}

KeyCode keyFor(Display* display, KeySym keysym) {
    XErrorTrap trap(display);
    return XKeysymToKeycode(display, keysym);
}

KeySym keysymFor(VirtualKey key) {
    switch (key) {
        case VirtualKey::Return:
            return XK_Return;
        case VirtualKey::Tab:
            return XK_Tab;
        case VirtualKey::F2:
            return XK_F2;
        case VirtualKey::NoKey:
            break;
    }
    return NoSymbol;
}

DesktopError keysQueued(Display* display, XErrorTrap& trap) {
    const int code = trap.sync();
    if (code == 0) {
        return {};
    }
    char text[160] = {};
    XGetErrorText(display, code, text, sizeof text);
    return DesktopError(DesktopError::Kind::Keys,
                        std::string("[XTestFakeKeyEvent]が失敗しました。") + text);
}

DesktopError tapKey(Display* display, KeyCode key, KeyCode modifier) {
    XErrorTrap trap(display);
    if (modifier != 0) {
        XTestFakeKeyEvent(display, modifier, True, CurrentTime);
    }
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    if (modifier != 0) {
        XTestFakeKeyEvent(display, modifier, False, CurrentTime);
    }
    return keysQueued(display, trap);
}

}  // namespace korvane::x11
