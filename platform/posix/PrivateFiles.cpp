#include "platform/PrivateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace korvane {
namespace {

// Opens `path` itself, never a link's target, and tightens it to `mode` when it is the user's own
// (`folder` or regular file) and open to group or others. Root owns what it makes; a file of
// another user is left alone.
Privacy tighten(const std::filesystem::path& path, bool folder, mode_t mode) {
    const int fd = ::open(
        path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (folder ? O_DIRECTORY : 0));
    if (fd < 0) {
        return errno == ENOENT ? Privacy::Unchanged : Privacy::Failed;
    }
    struct stat info {};
    Privacy result = Privacy::Unchanged;
    if (::fstat(fd, &info) != 0 || (folder ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode))) {
        result = Privacy::Failed;
    } else if (info.st_uid == ::geteuid() && (info.st_mode & 077) != 0) {
        result = ::fchmod(fd, mode) == 0 ? Privacy::Tightened : Privacy::Failed;
    }
    ::close(fd);
    return result;
}

}  // namespace

Privacy makePrivateFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::create_directories(folder.parent_path(), ignored);
    if (::mkdir(folder.c_str(), 0700) == 0) {
        // mkdir's mode passes the umask, which can only take bits away.
        return Privacy::Created;
    }
    return errno == EEXIST ? tighten(folder, true, 0700) : Privacy::Failed;
}

Privacy tightenFolder(const std::filesystem::path& folder) {
    return tighten(folder, true, 0700);
}

Privacy tightenFile(const std::filesystem::path& file) {
    return tighten(file, false, 0600);
}

Privacy createPrivateFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return Privacy::Created;
    }
    return errno == EEXIST ? tightenFile(file) : Privacy::Failed;
}

}  // namespace korvane
