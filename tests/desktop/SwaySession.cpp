#include "tests/desktop/SwaySession.h"

#include <X11/Xlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "desktop/wayland/SwayIpc.h"

namespace korvane::test {

namespace fs = std::filesystem;

namespace {

constexpr uid_t kUnprivileged = 65534;

// Lets local user `user` into the X server at `display`, asked as user 65534 (XWayland's own),
// which the server knows by the connection's peer credentials. Only the calling thread changes
// its user (the raw system call, not glibc's, which would change every thread of the process).
bool letUserIn(const std::string& display, const char* user) {
    bool done = false;
    std::thread asker([&] {
        if (::syscall(SYS_setresgid, -1, kUnprivileged, -1) != 0 ||
            ::syscall(SYS_setresuid, -1, kUnprivileged, -1) != 0) {
            return;
        }
        Display* x = XOpenDisplay(display.c_str());
        if (x == nullptr) {
            return;
        }
        XServerInterpretedAddress local{};
        local.type = const_cast<char*>("localuser");
        local.typelength = 9;
        local.value = const_cast<char*>(user);
        local.valuelength = static_cast<int>(std::char_traits<char>::length(user));
        XHostAddress host{};
        host.family = FamilyServerInterpreted;
        host.length = sizeof(local);
        host.address = reinterpret_cast<char*>(&local);
        XAddHost(x, &host);
        XSync(x, False);
        XCloseDisplay(x);
        done = true;
    });
    asker.join();
    return done;
}

}  // namespace

std::string SwaySession::findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const fs::path candidate = fs::path(folders.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
        start = end + 1;
    }
    return "";
}

SwaySession::SwaySession(XWayland xwayland) {
    const std::string sway = findSway();
    if (sway.empty()) {
        mFailure = "sway is not installed";
        return;
    }
    char folder[] = "/tmp/korvane-sway-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        mFailure = "cannot make a runtime folder";
        return;
    }
    mRuntimeDir = folder;
    const std::string config = mRuntimeDir + "/config";
    std::ofstream(config) << (xwayland == XWayland::Enabled ? "xwayland enable\n"
                                                            : "xwayland disable\n")
                          << "output HEADLESS-1 resolution " << kWidth << "x" << kHeight
                          << " position 0 0\n";
    const bool root = ::geteuid() == 0;
    if (root && (::chown(folder, kUnprivileged, kUnprivileged) != 0 ||
                 ::chown(config.c_str(), kUnprivileged, kUnprivileged) != 0)) {
        mFailure = "cannot hand the runtime folder to user 65534";
        return;
    }
    std::vector<std::string> argv;
    if (root) {
        argv = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    argv.insert(argv.end(), {sway, "-c", config});
    mSway = std::make_unique<ChildProcess>(
        argv, std::vector<std::string>{
                  "XDG_RUNTIME_DIR=" + mRuntimeDir, "HOME=" + mRuntimeDir, "WLR_BACKENDS=headless",
                  "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1",
                  "WAYLAND_DISPLAY=", "DISPLAY=", "SWAYSOCK=" + mRuntimeDir + "/sway-ipc.sock"});
    // Sway names its Wayland socket itself: the first free wayland-N.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ok() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(mRuntimeDir, error)) {
            const std::string name = entry.path().filename().string();
            if (!entry.is_socket()) {
                continue;
            }
            if (name.rfind("wayland-", 0) == 0) {
                mWaylandDisplay = name;
            } else if (name.rfind("sway-ipc.", 0) == 0) {
                mSwaySocket = entry.path().string();
            }
        }
    }
    if (!ok()) {
        mFailure = "sway did not start within 20 s";
    } else if (xwayland == XWayland::Enabled) {
        openXWayland();
    }
}

void SwaySession::openXWayland() {
    // wlroots picks the first free display and writes sway's process id into its lock file.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (mXDisplay.empty() && std::chrono::steady_clock::now() < deadline) {
        for (int number = 0; number < 64 && mXDisplay.empty(); ++number) {
            std::ifstream lock("/tmp/.X" + std::to_string(number) + "-lock");
            pid_t owner = 0;
            if (lock >> owner && owner == mSway->pid()) {
                mXDisplay = ":" + std::to_string(number);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (mXDisplay.empty()) {
        mFailure = "sway started no XWayland within 20 s";
        return;
    }
    if (::geteuid() == 0 && !letUserIn(mXDisplay, "root")) {
        mFailure = "XWayland at " + mXDisplay + " did not let root in";
    }
}

SwaySession::~SwaySession() {
    if (mSway) {
        mSway->terminate();
    }
    if (!mRuntimeDir.empty()) {
        std::error_code ignored;
        fs::remove_all(mRuntimeDir, ignored);
    }
}

void SwaySession::enter() const {
    ::setenv("XDG_RUNTIME_DIR", mRuntimeDir.c_str(), 1);
    ::setenv("WAYLAND_DISPLAY", mWaylandDisplay.c_str(), 1);
    ::setenv("SWAYSOCK", mSwaySocket.c_str(), 1);
    if (!mXDisplay.empty()) {
        ::setenv("DISPLAY", mXDisplay.c_str(), 1);
    }
}

std::vector<std::string> SwaySession::clientEnvironment() const {
    std::vector<std::string> environment{"XDG_RUNTIME_DIR=" + mRuntimeDir,
                                         "WAYLAND_DISPLAY=" + mWaylandDisplay,
                                         "SWAYSOCK=" + mSwaySocket, "GDK_BACKEND=wayland"};
    if (!mXDisplay.empty()) {
        environment.push_back("DISPLAY=" + mXDisplay);
    }
    return environment;
}

bool SwaySession::waitForFocus(const std::string& appId, int timeoutMs) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (auto windows = wayland::askSwayWindows(mSwaySocket, std::chrono::seconds(1))) {
            for (const auto& window : *windows) {
                if (window.focused && window.toplevelAppId() == appId) {
                    return true;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace korvane::test
