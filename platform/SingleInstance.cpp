#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace korvane {

SingleInstance::SingleInstance(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        mPath = std::string(runtime) + "/" + name + ".lock";
    } else {
        mPath = "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
    }
    // Close-on-exec keeps a started child from holding the lock after this process ends.
    mFd = open(mPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (mFd < 0) {
        return;
    }
    if (flock(mFd, LOCK_EX | LOCK_NB) == 0) {
        mState = Result::Acquired;
        return;
    }
    if (errno == EWOULDBLOCK) {
        mState = Result::AlreadyRunning;
    }
    close(mFd);
    mFd = -1;
}

SingleInstance::~SingleInstance() {
    if (mFd >= 0) {
        close(mFd);
    }
}

}  // namespace korvane
