#include "desktop/x11/XErrorTrap.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace korvane::x11 {
namespace {

thread_local XErrorTrap* tInnermost = nullptr;

std::mutex gRegistryLock;
std::vector<Display*> gAdopted;

std::mutex gInstallLock;
std::atomic<XErrorHandler> gChained{nullptr};
std::atomic<XIOErrorHandler> gChainedIo{nullptr};

bool isAdopted(Display* display) {
    std::lock_guard lock(gRegistryLock);
    return std::find(gAdopted.begin(), gAdopted.end(), display) != gAdopted.end();
}

}  // namespace

int trapHandler(Display* display, XErrorEvent* event) {
    for (XErrorTrap* trap = tInnermost; trap != nullptr; trap = trap->mOuter) {
        if (trap->mDisplay == display) {
            if (trap->mError == 0) {
                trap->mError = event->error_code;
            }
            return 0;
        }
    }
    if (isAdopted(display)) {
        return 0;
    }
    XErrorHandler chained = gChained.load();
    return chained != nullptr ? chained(display, event) : 0;
}

// A lost connection of ours is only marked lost (its owner's exit handler does that); the
// default handler would end the process.
int trapIoHandler(Display* display) {
    if (isAdopted(display)) {
        return 0;
    }
    XIOErrorHandler chained = gChainedIo.load();
    return chained != nullptr ? chained(display) : 0;
}

namespace {

// Someone (a toolkit starting up) may have put its own handlers in place since the last trap:
// take the place back and pass those handlers what is not ours.
void installHandler() {
    std::lock_guard lock(gInstallLock);
    XErrorHandler previous = XSetErrorHandler(trapHandler);
    if (previous != trapHandler) {
        gChained.store(previous);
    }
    XIOErrorHandler previousIo = XSetIOErrorHandler(trapIoHandler);
    if (previousIo != trapIoHandler) {
        gChainedIo.store(previousIo);
    }
}

}  // namespace

void adoptDisplay(Display* display) {
    installHandler();
    std::lock_guard lock(gRegistryLock);
    gAdopted.push_back(display);
}

void releaseDisplay(Display* display) {
    std::lock_guard lock(gRegistryLock);
    gAdopted.erase(std::remove(gAdopted.begin(), gAdopted.end(), display), gAdopted.end());
}

XErrorTrap::XErrorTrap(Display* display) : mDisplay(display), mOuter(tInnermost) {
    installHandler();
    tInnermost = this;
}

namespace {

// The server answers requests in order: once the answer to the last request sent has been read
// (a reply or an error), the errors of all earlier ones have reached the handler as well, and a
// round trip would bring nothing more. Most calls here wait for a reply anyway.
bool allAnswered(Display* display) {
    return LastKnownRequestProcessed(display) == XNextRequest(display) - 1;
}

}  // namespace

// Errors of the bracketed calls arrive while the trap still holds them, not in a later one.
XErrorTrap::~XErrorTrap() {
    if (!allAnswered(mDisplay)) {
        XSync(mDisplay, False);
    }
    tInnermost = mOuter;
}

int XErrorTrap::sync() {
    if (!allAnswered(mDisplay)) {
        XSync(mDisplay, False);
    }
    return mError;
}

}  // namespace korvane::x11
