#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

struct wl_display;

namespace korvane::wayland {

// One connection to the compositor and the thread that reads it. Everything Wayland happens on
// that thread once it runs: callers hand it tasks and wait for them. A task may wait for events
// itself, with `waitUntil`, which goes on reading meanwhile. Once the connection fails the session
// is dead for good; its owner makes a new one.
//
// Before `start` the owner sets the connection up on its own thread (binds globals, round trips);
// `stop` ends the thread so the owner can destroy its proxies, and the destructor disconnects.
class WaylandSession {
  public:
    using Clock = std::chrono::steady_clock;

    // The reason a session gives once the compositor dropped its connection.
    static constexpr const char* kDisplayLost = "Wayland ディスプレイとの接続が切れました。";

    // Connects to `displayName` (empty: WAYLAND_DISPLAY); `display()` is null when that failed.
    explicit WaylandSession(const std::string& displayName);
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    wl_display* display() const { return mDisplay; }

    // Marks the session unusable for `reason` before it started (the reason `failure` gives).
    void refuse(const std::string& reason);
    // Starts the reading thread; false with the reason kept when it cannot.
    bool start();
    // Ends the reading thread (pending tasks are dropped); the connection stays open.
    void stop();

    // Why the session cannot serve (any more); nothing while it can.
    std::optional<std::string> failure();

    // Runs `task` on the session's thread and waits for it; false when the connection failed
    // before or during it.
    bool run(std::function<void()> task);

    // --- On the session's thread (or the owner's, before `start`) only. ---

    // Reads and dispatches events until `done` holds or the deadline passes; false then, or when
    // the connection failed.
    bool waitUntil(const std::function<bool()>& done, Clock::time_point deadline);
    // Waits until the compositor has handled every request sent so far.
    bool sync();

  private:
    void wake();
    bool pumpOnce(int fd, int timeoutMs, bool withWake);
    bool fail();
    void serve();

    wl_display* mDisplay = nullptr;
    int mWake = -1;
    std::thread mThread;
    std::mutex mLock;
    std::condition_variable mChanged;
    std::deque<std::function<void()>> mTasks;
    std::uint64_t mPosted = 0;
    std::uint64_t mFinished = 0;
    bool mStop = false;
    bool mDead = false;
    std::string mFailure;
};

}  // namespace korvane::wayland
