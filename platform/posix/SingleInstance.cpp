#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace korvane {
namespace {

// A folder only this user can enter: owned by the user, no access for group or others, and not
// a symbolic link.
bool privateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// The session's runtime folder, else a folder of the user's own in the temporary folder, made
// when missing.
std::string lockFolder(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        return runtime;
    }
    const char* temp = std::getenv("TMPDIR");
    const std::string folder = std::string(temp && temp[0] == '/' ? temp : "/tmp") + "/" + name +
                               "-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& name) {
    const std::string folder = lockFolder(name);
    mPath = folder + "/" + name + ".lock";
    if (!privateFolder(folder)) {
        return;
    }
    // Never through a link, and only a file of this user's own: nobody else can plant the lock.
    // Close-on-exec keeps a started child from holding the lock after this process ends.
    const int fd = ::open(mPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
        ::close(fd);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        mHandle = fd;
        mState = Result::Acquired;
        return;
    }
    if (errno == EWOULDBLOCK) {
        mState = Result::AlreadyRunning;
    }
    ::close(fd);
}

SingleInstance::~SingleInstance() {
    if (mHandle >= 0) {
        ::close(static_cast<int>(mHandle));
    }
}

}  // namespace korvane
