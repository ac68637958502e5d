#include "desktop/wayland/WaylandSession.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstring>

namespace korvane::wayland {

namespace {

constexpr auto kAnswerBudget = std::chrono::milliseconds(2000);

void handleSyncDone(void* data, wl_callback* callback, std::uint32_t) {
    *static_cast<bool*>(data) = true;
    wl_callback_destroy(callback);
}

constexpr wl_callback_listener kSyncListener{handleSyncDone};

}  // namespace

WaylandSession::WaylandSession(const std::string& displayName) {
    mDisplay = wl_display_connect(displayName.empty() ? nullptr : displayName.c_str());
    if (mDisplay == nullptr) {
        mFailure = "Wayland ディスプレイ \"" + displayName + "\" に接続できません。";
    }
}

WaylandSession::~WaylandSession() {
    stop();
    if (mWake >= 0) {
        ::close(mWake);
    }
    if (mDisplay != nullptr) {
        wl_display_disconnect(mDisplay);
    }
}

void WaylandSession::refuse(const std::string& reason) {
    std::lock_guard lock(mLock);
    mFailure = reason;
}

bool WaylandSession::start() {
    mWake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (mWake < 0) {
        refuse(std::strerror(errno));
        return false;
    }
    mThread = std::thread([this] { serve(); });
    return true;
}

void WaylandSession::stop() {
    if (!mThread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(mLock);
        mStop = true;
    }
    wake();
    mThread.join();
}

std::optional<std::string> WaylandSession::failure() {
    std::lock_guard lock(mLock);
    if (!mThread.joinable() || mDead) {
        return mFailure.empty() ? kDisplayLost : mFailure;
    }
    return std::nullopt;
}

bool WaylandSession::run(std::function<void()> task) {
    std::unique_lock lock(mLock);
    if (mDead) {
        return false;
    }
    const std::uint64_t ticket = ++mPosted;
    mTasks.push_back(std::move(task));
    lock.unlock();
    wake();
    lock.lock();
    mChanged.wait(lock, [&] { return mFinished >= ticket || mDead; });
    return mFinished >= ticket && !mDead;
}

bool WaylandSession::waitUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    const int fd = wl_display_get_fd(mDisplay);
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !pumpOnce(fd, static_cast<int>(left.count()), false)) {
            return false;
        }
    }
    return true;
}

bool WaylandSession::sync() {
    bool done = false;
    wl_callback* callback = wl_display_sync(mDisplay);
    wl_callback_add_listener(callback, &kSyncListener, &done);
    const bool answered = waitUntil([&] { return done; }, Clock::now() + kAnswerBudget);
    if (!done) {
        wl_callback_destroy(callback);
    }
    return answered;
}

void WaylandSession::wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(mWake, &one, sizeof(one));
}

// One round of reading: waits up to `timeoutMs` (-1: without end) for the compositor or, when
// `withWake`, for a task. False when the connection failed.
bool WaylandSession::pumpOnce(int fd, int timeoutMs, bool withWake) {
    while (wl_display_prepare_read(mDisplay) != 0) {
        if (wl_display_dispatch_pending(mDisplay) < 0) {
            return fail();
        }
    }
    wl_display_flush(mDisplay);
    pollfd fds[2] = {{fd, POLLIN, 0}, {mWake, POLLIN, 0}};
    const int ready = ::poll(fds, withWake ? 2 : 1, timeoutMs);
    if (ready < 0 && errno != EINTR) {
        wl_display_cancel_read(mDisplay);
        return fail();
    }
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        if (wl_display_read_events(mDisplay) < 0) {
            return fail();
        }
    } else {
        wl_display_cancel_read(mDisplay);
    }
    if (wl_display_dispatch_pending(mDisplay) < 0) {
        return fail();
    }
    return true;
}

bool WaylandSession::fail() {
    std::lock_guard lock(mLock);
    mDead = true;
    mFailure = kDisplayLost;
    mChanged.notify_all();
    return false;
}

void WaylandSession::serve() {
    const int fd = wl_display_get_fd(mDisplay);
    for (;;) {
        if (!pumpOnce(fd, -1, true)) {
            return;
        }
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t ignored = ::read(mWake, &count, sizeof(count));
        for (;;) {
            std::unique_lock lock(mLock);
            if (mStop) {
                return;
            }
            if (mTasks.empty()) {
                break;
            }
            std::function<void()> task = std::move(mTasks.front());
            mTasks.pop_front();
            lock.unlock();
            task();
            lock.lock();
            ++mFinished;
            mChanged.notify_all();
        }
    }
}

}  // namespace korvane::wayland
