#include "platform/AppPaths.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace korvane {
namespace {

constexpr char kFolderName[] = "korvane-server";

std::filesystem::path besideProgram(const std::filesystem::path& program, const char* extension) {
    std::filesystem::path file = program;
    file.replace_extension(extension);
    return file;
}

bool usableBesideProgram(const std::filesystem::path& file) {
    // Under /usr, a copy installed for every user: even root, who may write there, keeps the
    // files of one user's run out of it.
    if (file.string().starts_with("/usr/")) {
        return false;
    }
    // Saving writes a temporary file beside the file and renames it over it: a file that is
    // there already is no use in a folder where that cannot be done.
    std::string probe = (file.parent_path() / ".korvane-probe-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

// $name when it holds an absolute path (as the XDG rules demand), else home + fallback.
std::filesystem::path userFolder(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    if (value && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "/") / fallback;
}

}  // namespace

std::filesystem::path settingsFilePath(const std::filesystem::path& program) {
    std::filesystem::path beside = besideProgram(program, ".ini");
    if (usableBesideProgram(beside)) {
        return beside;
    }
    return userFolder("XDG_CONFIG_HOME", ".config") / kFolderName /
           (std::string(kFolderName) + ".ini");
}

std::filesystem::path captureFilePath(const std::filesystem::path& program) {
    std::filesystem::path beside = besideProgram(program, ".png");
    if (usableBesideProgram(beside)) {
        return beside;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::filesystem::path folder = (runtime && runtime[0] == '/')
                                       ? std::filesystem::path(runtime)
                                       : userFolder("XDG_CACHE_HOME", ".cache");
    folder /= kFolderName;
    std::error_code ignored;
    // Captures show the screen: the folder is the user's alone.
    if (std::filesystem::create_directories(folder, ignored)) {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
    }
    return folder / (std::string(kFolderName) + ".png");
}

}  // namespace korvane
