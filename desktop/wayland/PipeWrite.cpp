#include "desktop/wayland/PipeWrite.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace korvane::wayland {

namespace {

using Clock = std::chrono::steady_clock;

// How long one reader has to drain its pipe before the writer gives up on it.
constexpr std::chrono::milliseconds kWriteBudget{2000};

// Writes all of `text` to the pipe before the budget runs out.
bool writeAll(int fd, const std::string& text) {
    const auto deadline = Clock::now() + kWriteBudget;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN) {
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry{fd, POLLOUT, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
    }
    return true;
}

// Waits until the reader has taken every byte out of the pipe. A client that sees the selection
// change while bytes of the old one are still in its pipe drops them and pastes the new one; the
// delivery counts only once they are out.
bool drained(int fd) {
    const auto deadline = Clock::now() + kWriteBudget;
    int unread = 0;
    while (::ioctl(fd, FIONREAD, &unread) == 0 && unread > 0) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace

bool writeToReader(int fd, const std::string& text) {
    return writeAll(fd, text) && drained(fd);
}

}  // namespace korvane::wayland
