#include "platform/SocketPoller.h"

#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace korvane::net {

struct SocketPoller::State {
    int epoll = -1;
};

namespace {

void add(int epoll, SocketHandle sock, void* key, std::uint32_t events) {
    epoll_event event{};
    event.events = events;
    event.data.ptr = key;
    const int fd = static_cast<int>(sock);
    // A socket reported once is still in the set, only disarmed: it is armed again in place.
    if (::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) != 0 && errno == EEXIST) {
        ::epoll_ctl(epoll, EPOLL_CTL_MOD, fd, &event);
    }
}

}  // namespace

SocketPoller::SocketPoller() : mState(std::make_unique<State>()) {
    mState->epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (mState->epoll < 0) {
        throw std::system_error(errno, std::generic_category(), "epoll_create1");
    }
}

SocketPoller::~SocketPoller() {
    ::close(mState->epoll);
}

void SocketPoller::watch(SocketHandle sock, void* key) {
    add(mState->epoll, sock, key, EPOLLIN | EPOLLRDHUP | EPOLLONESHOT);
}

void SocketPoller::watchAlways(SocketHandle sock, void* key) {
    add(mState->epoll, sock, key, EPOLLIN);
}

void SocketPoller::forget(SocketHandle /*sock*/) {
    // Closing the descriptor takes it out of the set; a call here would only cost a system call
    // per connection.
}

bool SocketPoller::wait(int timeoutMs, std::vector<void*>& ready) {
    epoll_event events[64];
    const int count = ::epoll_wait(mState->epoll, events, 64, timeoutMs);
    if (count < 0) {
        return errno == EINTR;
    }
    for (int i = 0; i < count; ++i) {
        // Copied out first: epoll_event is packed, so its pointer may sit unaligned, and a
        // reference to it (push_back takes one) would be undefined.
        void* const key = events[i].data.ptr;
        ready.push_back(key);
    }
    return true;
}

}  // namespace korvane::net
