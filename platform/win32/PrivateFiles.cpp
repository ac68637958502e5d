#include "platform/PrivateFiles.h"

#include <fstream>

namespace korvane {

Privacy makePrivateFolder(const std::filesystem::path& folder) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return Privacy::Unchanged;
}

Privacy tightenFolder(const std::filesystem::path&) {
    return Privacy::Unchanged;
}

Privacy tightenFile(const std::filesystem::path&) {
    return Privacy::Unchanged;
}

Privacy createPrivateFile(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::exists(file, error)) {
        return Privacy::Unchanged;
    }
    return std::ofstream(file, std::ios::binary | std::ios::app) ? Privacy::Created
                                                                 : Privacy::Failed;
}

}  // namespace korvane
