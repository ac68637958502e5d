#include "platform/AddressWatch.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/WakeSignal.h"

namespace korvane {
namespace {

// The kernel's own groups: no message of another namespace or of IPv6 reaches the socket.
constexpr unsigned kGroups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE;
// A stream of changes is told at least this many quiet periods after its first.
constexpr int kLongestBurst = 4;

int openRouteSocket(std::string& failure) {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0) {
        failure = std::string("netlink: ") + std::strerror(errno);
        return -1;
    }
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = kGroups;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        failure = std::string("netlink bind: ") + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

struct AddressWatch::State {
    int routeSocket = -1;
    net::WakeSignal stop;
    net::WakeSignal poked;
    std::atomic<bool> stopping{false};
    std::thread thread;

    // Reads what the socket holds; true when anything (or an overrun, which lost changes) came.
    bool drain() const {
        char buffer[8192];
        bool any = false;
        for (;;) {
            const ssize_t got = ::recv(routeSocket, buffer, sizeof buffer, 0);
            if (got > 0 || (got < 0 && errno == ENOBUFS)) {
                any = true;
                continue;
            }
            if (got < 0 && errno == EINTR) {
                continue;
            }
            return any;
        }
    }

    // Waits at most `timeoutMs` (-1: no limit); true when a change or a poke came.
    bool waitForChange(int timeoutMs) {
        pollfd fds[3] = {{static_cast<int>(stop.descriptor()), POLLIN, 0},
                         {routeSocket, POLLIN, 0},
                         {static_cast<int>(poked.descriptor()), POLLIN, 0}};
        const int ready = ::poll(fds, 3, timeoutMs);
        if (ready <= 0 || stopping) {
            return false;
        }
        bool changed = false;
        if (fds[1].revents != 0) {
            changed = drain();
        }
        if (fds[2].revents != 0) {
            poked.clear();
            changed = true;
        }
        return changed;
    }

    void run(std::chrono::milliseconds quiet, const Changed& changed) {
        const int quietMs = static_cast<int>(quiet.count());
        while (!stopping) {
            if (!waitForChange(-1)) {
                continue;
            }
            for (int periods = 1; periods < kLongestBurst && waitForChange(quietMs); ++periods) {
            }
            if (!stopping) {
                changed();
            }
        }
    }
};

AddressWatch::AddressWatch(std::chrono::milliseconds quiet, Changed changed)
    : mState(std::make_unique<State>()) {
    mState->routeSocket = openRouteSocket(mFailure);
    if (mState->routeSocket < 0) {
        return;
    }
    State* state = mState.get();
    try {
        mState->thread = std::thread(
            [state, quiet, changed = std::move(changed)] { state->run(quiet, changed); });
    } catch (const std::system_error& error) {
        mFailure = std::string("thread: ") + error.what();
    }
}

AddressWatch::~AddressWatch() {
    mState->stopping = true;
    mState->stop.raise();
    if (mState->thread.joinable()) {
        mState->thread.join();
    }
    if (mState->routeSocket >= 0) {
        ::close(mState->routeSocket);
    }
}

void AddressWatch::poke() {
    mState->poked.raise();
}

}  // namespace korvane
