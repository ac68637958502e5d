#include "platform/WakeSignal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace korvane::net {

WakeSignal::WakeSignal() : mFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (mFd < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

WakeSignal::~WakeSignal() {
    ::close(mFd);
}

void WakeSignal::raise() {
    const std::uint64_t one = 1;
    // Fails only when the counter is full, which leaves it raised all the same.
    (void)!::write(mFd, &one, sizeof one);
}

void WakeSignal::clear() {
    std::uint64_t count = 0;
    // Nonblocking: nothing to read means it was not raised.
    (void)!::read(mFd, &count, sizeof count);
}

}  // namespace korvane::net
