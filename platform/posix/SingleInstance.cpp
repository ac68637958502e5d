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
    int fd = open(mPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        mHandle = fd;
        mState = Result::Acquired;
        return;
    }
    if (errno == EWOULDBLOCK) {
        mState = Result::AlreadyRunning;
    }
    close(fd);
}

SingleInstance::~SingleInstance() {
    if (mHandle >= 0) {
        close(static_cast<int>(mHandle));
    }
}

}  // namespace korvane
