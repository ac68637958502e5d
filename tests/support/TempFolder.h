#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace korvane::test {

// A fresh folder under /tmp, removed with everything in it at the end of the test.
class TempFolder {
  public:
    TempFolder() {
        std::string pattern = "/tmp/korvane-app-test-XXXXXX";
        mPath = mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(mPath, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return mPath; }
    std::filesystem::path operator/(const std::string& name) const { return mPath / name; }

  private:
    std::filesystem::path mPath;
};

inline std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeAll(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace korvane::test
