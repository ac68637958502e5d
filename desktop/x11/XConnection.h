#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <string>

namespace korvane::x11 {

// One connection to the X server, adopted by the error trap. When the server goes away the
// connection is marked lost instead of ending the process; the owner opens a new one.
class XConnection {
  public:
    // An empty name means the DISPLAY environment variable.
    explicit XConnection(const std::string& displayName);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    // Null when the server could not be reached.
    Display* display() const { return mDisplay; }
    bool lost() const { return mLost.load(); }
    // Why the connection is unusable, for messages.
    std::string failure() const;

  private:
    static void onIoError(Display* display, void* self);

    std::string mName;
    Display* mDisplay = nullptr;
    std::atomic<bool> mLost{false};
};

}  // namespace korvane::x11
