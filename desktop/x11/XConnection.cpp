#include "desktop/x11/XConnection.h"

#include <cstdlib>
#include <mutex>

#include "desktop/x11/XErrorTrap.h"

namespace korvane::x11 {

TXConnection::TXConnection(const std::string& displayName) {
    // Several of this layer's connections run on threads of their own.
    static std::once_flag threads;
    std::call_once(threads, [] { XInitThreads(); });
    const char* env = std::getenv("DISPLAY");
    mName = !displayName.empty() ? displayName : (env != nullptr ? env : "");
    mDisplay = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (mDisplay != nullptr) {
        adoptDisplay(mDisplay);
        XSetIOErrorExitHandler(mDisplay, &TXConnection::onIoError, this);
    }
}

TXConnection::~TXConnection() {
    if (mDisplay != nullptr) {
        XCloseDisplay(mDisplay);
        releaseDisplay(mDisplay);
    }
}

std::string TXConnection::failure() const {
    if (mDisplay == nullptr) {
        return "X サーバー \"" + mName + "\" に接続できません。";
    }
    return "X サーバー \"" + mName + "\" との接続が切れました。";
}

void TXConnection::onIoError(Display*, void* self) {
    static_cast<TXConnection*>(self)->mLost.store(true);
}

}  // namespace korvane::x11
