#include "platform/WakeSignal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace korvane::net {

WakeSignal::WakeSignal() : mHandle(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (mHandle < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

WakeSignal::~WakeSignal() {
    ::close(static_cast<int>(mHandle));
}

void WakeSignal::raise() {
    const std::uint64_t one = 1;
    // Fails only when the counter is full, which leaves it raised all the same.
    (void)!::write(static_cast<int>(mHandle), &one, sizeof one);
}

void WakeSignal::clear() {
    std::uint64_t count = 0;
    // Nonblocking: nothing to read means it was not raised.
    (void)!::read(static_cast<int>(mHandle), &count, sizeof count);
}

}  // namespace korvane::net
