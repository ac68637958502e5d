#include "platform/TerminationSignal.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace korvane {
namespace {

// A signal handler may only write to a descriptor; the event loop reads the other end.
int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

TerminationSignal::TerminationSignal() {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    mDescriptor = gSignalPipe[0];
}

TerminationSignal::~TerminationSignal() {
    if (mDescriptor < 0) {
        return;
    }
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    close(gSignalPipe[0]);
    close(gSignalPipe[1]);
    gSignalPipe[0] = gSignalPipe[1] = -1;
}

void TerminationSignal::drain() {
    char bytes[16];
    while (mDescriptor >= 0 && read(gSignalPipe[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace korvane
