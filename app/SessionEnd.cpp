#include "app/SessionEnd.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace korvane {
namespace {

// A signal handler may only write to a descriptor; the GUI thread reads the other end.
int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t ignored = write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

SessionEnd::SessionEnd(std::function<void()> onEnd) : mOnEnd(std::move(onEnd)) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) == 0) {
        mNotifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, this);
        connect(mNotifier, &QSocketNotifier::activated, this, [this] {
            char bytes[16];
            while (read(gSignalPipe[0], bytes, sizeof bytes) > 0) {
            }
            finish();
        });
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
    }
    // The session manager ends the program with a quit event to the application.
    QCoreApplication::instance()->installEventFilter(this);
}

SessionEnd::~SessionEnd() {
    if (gSignalPipe[0] >= 0) {
        signal(SIGTERM, SIG_DFL);
        signal(SIGINT, SIG_DFL);
        close(gSignalPipe[0]);
        close(gSignalPipe[1]);
        gSignalPipe[0] = gSignalPipe[1] = -1;
    }
}

bool SessionEnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
        finish();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void SessionEnd::finish() {
    if (mEnded) {
        return;
    }
    mEnded = true;
    mOnEnd();
}

}  // namespace korvane
