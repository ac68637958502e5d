#include "platform/SocketPoller.h"

#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>

#include "platform/WakeSignal.h"

namespace korvane::net {

struct SocketPoller::State {
    struct Entry {
        void* key;
        bool always;
    };
    std::mutex lock;
    std::map<SOCKET, Entry> watched;
    // Raised when the set changes, so that a wait under way starts again with the new set.
    WakeSignal changed;

    void add(SocketHandle sock, void* key, bool always) {
        {
            std::lock_guard guard(lock);
            watched[static_cast<SOCKET>(sock)] = {key, always};
        }
        changed.raise();
    }
};

SocketPoller::SocketPoller() : mState(std::make_unique<State>()) {}

SocketPoller::~SocketPoller() = default;

void SocketPoller::watch(SocketHandle sock, void* key) {
    mState->add(sock, key, false);
}

void SocketPoller::watchAlways(SocketHandle sock, void* key) {
    mState->add(sock, key, true);
}

void SocketPoller::forget(SocketHandle sock) {
    std::lock_guard guard(mState->lock);
    mState->watched.erase(static_cast<SOCKET>(sock));
}

bool SocketPoller::wait(int timeoutMs, std::vector<void*>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::size_t before = ready.size();
    for (;;) {
        std::vector<WSAPOLLFD> sockets;
        {
            std::lock_guard guard(mState->lock);
            sockets.reserve(mState->watched.size() + 1);
            sockets.push_back({static_cast<SOCKET>(mState->changed.descriptor()), POLLRDNORM, 0});
            for (const auto& [sock, entry] : mState->watched) {
                sockets.push_back({sock, POLLRDNORM, 0});
            }
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        const int waitMs = timeoutMs < 0 ? -1 : static_cast<int>(std::max<long long>(left, 0));
        if (::WSAPoll(sockets.data(), static_cast<ULONG>(sockets.size()), waitMs) == SOCKET_ERROR) {
            return false;
        }
        const bool changed = sockets[0].revents != 0;
        if (changed) {
            mState->changed.clear();
        }
        {
            std::lock_guard guard(mState->lock);
            for (std::size_t i = 1; i < sockets.size(); ++i) {
                if (sockets[i].revents == 0) {
                    continue;
                }
                // Forgotten or watched anew while the wait went on: the set says what is wanted
                // now.
                const auto found = mState->watched.find(sockets[i].fd);
                if (found == mState->watched.end()) {
                    continue;
                }
                ready.push_back(found->second.key);
                if (!found->second.always) {
                    mState->watched.erase(found);
                }
            }
        }
        // Only the set changed: the wait goes on with the new set, for the time that is left.
        if (ready.size() > before || !changed) {
            return true;
        }
    }
}

}  // namespace korvane::net
