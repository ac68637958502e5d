#pragma once

#include <optional>
#include <string>
#include <vector>

namespace korvane::test {

// The headless KWin the KDE tests share, started by ctest before them (kwin_session.sh, the
// kwin fixture), read from the session file it wrote. This test program's desktop file there
// grants it fake input and ScreenShot2.
class KwinSession {
  public:
    // The session, or nothing with `why` set: KWin is not installed (`installed` false: the test
    // skips) or the fixture did not run (the test fails).
    static std::optional<KwinSession> shared(std::string& why, bool& installed);

    // Sets XDG_RUNTIME_DIR, WAYLAND_DISPLAY and DBUS_SESSION_BUS_ADDRESS of this process to the
    // session's.
    void enter() const;
    // The environment entries a native Wayland client of the session needs.
    std::vector<std::string> clientEnvironment() const;
    // Waits up to `timeoutMs` until KWin's active window has resource class `resourceClass`.
    // After enter().
    bool waitForActive(const std::string& resourceClass, int timeoutMs = 20000) const;

  private:
    std::vector<std::pair<std::string, std::string>> mVariables;
};

}  // namespace korvane::test
