#include "platform/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvane {

std::optional<std::string> replaceFileContents(const std::filesystem::path& path,
                                               std::string_view contents) {
    std::string tempPath = path.string() + ".XXXXXX";
    int fd = ::mkstemp(tempPath.data());
    if (fd < 0) {
        return std::string("mkstemp: ") + std::strerror(errno);
    }
    const char* failed = nullptr;
    int code = 0;
    // The user's alone before it holds a byte, whatever the C library made it: the text may be
    // the approved phones' keys. The new file gets the old one's permissions at the end, or stays
    // so when there was none.
    if (::fchmod(fd, 0600) != 0) {
        failed = "fchmod";
        code = errno;
    }
    struct stat old {};
    mode_t mode = 0600;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    }
    std::size_t written = 0;
    while (!failed && written < contents.size()) {
        ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            failed = "write";
            code = errno;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (!failed && ::fchmod(fd, mode) != 0) {
        failed = "fchmod";
        code = errno;
    }
    if (!failed && ::fsync(fd) != 0) {
        failed = "fsync";
        code = errno;
    }
    if (::close(fd) != 0 && !failed) {
        failed = "close";
        code = errno;
    }
    if (!failed && std::rename(tempPath.c_str(), path.c_str()) != 0) {
        failed = "rename";
        code = errno;
    }
    if (failed) {
        ::unlink(tempPath.c_str());
        return std::string(failed) + ": " + std::strerror(code);
    }
    return std::nullopt;
}

}  // namespace korvane
