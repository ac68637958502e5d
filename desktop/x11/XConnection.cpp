#include "desktop/x11/XConnection.h"

#include <cstdlib>
#include <mutex>

#include "desktop/x11/XErrorTrap.h"

namespace korvane::x11 {

XConnection::XConnection(const std::string& displayName) {
    // Several of this layer's connections run on threads of their own.
    static std::once_flag threads;
    std::call_once(threads, [] { XInitThreads(); });
    const char* env = std::getenv("DISPLAY");
    mName = !displayName.empty() ? displayName : (env != nullptr ? env : "");
    mDisplay = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (mDisplay != nullptr) {
        adoptDisplay(mDisplay);
        XSetIOErrorExitHandler(mDisplay, &XConnection::onIoError, this);
    }
}

XConnection::~XConnection() {
    if (mDisplay != nullptr) {
        XCloseDisplay(mDisplay);
        releaseDisplay(mDisplay);
    }
}

std::string XConnection::failure() const {
    if (mDisplay == nullptr) {
        return "X サーバー \"" + mName + "\" に接続できません。";
    }
    return "X サーバー \"" + mName + "\" との接続が切れました。";
}

void XConnection::onIoError(Display*, void* self) {
    static_cast<XConnection*>(self)->mLost.store(true);
}

}  // namespace korvane::x11
