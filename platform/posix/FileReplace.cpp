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
    // mkstemp makes the file 0600: the new file gets the old one's permissions, or those of a
    // newly created file.
    struct stat old {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    const char* failed = nullptr;
    int code = 0;
    std::size_t written = 0;
    while (written < contents.size()) {
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
