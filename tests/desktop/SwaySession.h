#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/desktop/ChildProcess.h"

namespace korvane::test {

// A headless sway of the test's own (no screen, pixman rendering, one 1024 x 768 output at 0,0),
// run as user 65534 when the test runs as root, since sway will not run as root. Its runtime
// folder is private to the session; the test process, as root or as the same user, connects to it.
// With XWayland, sway starts it at once; XWayland lets in only its own user, so this user (root)
// is let in as well.
class SwaySession {
  public:
    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;

    enum class XWayland { Disabled, Enabled };

    // The program `name` on PATH; empty when there is none.
    static std::string findProgram(const std::string& name);
    static std::string findSway() { return findProgram("sway"); }

    // Starts sway and waits for its sockets (and XWayland's display); `ok()` says whether it came
    // up, `failure()` why not.
    explicit SwaySession(XWayland xwayland = XWayland::Disabled);
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    bool ok() const { return mFailure.empty() && !mWaylandDisplay.empty() && !mSwaySocket.empty(); }
    const std::string& failure() const { return mFailure; }

    // Sets XDG_RUNTIME_DIR, WAYLAND_DISPLAY and SWAYSOCK of this process to the session's, and
    // DISPLAY to XWayland's when it runs.
    void enter() const;
    // The environment entries a client of the session needs.
    std::vector<std::string> clientEnvironment() const;
    // XWayland's display name (":1"); empty without XWayland.
    const std::string& xDisplay() const { return mXDisplay; }
    // Waits up to `timeoutMs` until sway's IPC says a window of `appId` (for an X11 window: of
    // that class) has the focus.
    bool waitForFocus(const std::string& appId, int timeoutMs = 20000) const;

  private:
    // Finds the display of the XWayland that sway started and lets this user in.
    void openXWayland();

    std::string mXDisplay;
    std::string mRuntimeDir;
    std::string mWaylandDisplay;
    std::string mSwaySocket;
    std::string mFailure;
    std::unique_ptr<ChildProcess> mSway;
};

}  // namespace korvane::test
