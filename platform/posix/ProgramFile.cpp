#include "platform/ProgramFile.h"

namespace korvane {

std::filesystem::path programFile() {
    std::error_code error;
    std::filesystem::path file = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : file;
}

}  // namespace korvane
