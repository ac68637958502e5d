#include "platform/RandomBytes.h"

#include <sys/random.h>

#include <cerrno>

namespace korvane {

bool fillRandom(std::span<std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::getrandom(bytes.data() + done, bytes.size() - done, 0);
        if (n < 0 && errno != EINTR) {
            return false;
        }
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    return true;
}

}  // namespace korvane
