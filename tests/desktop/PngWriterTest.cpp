#include "desktop/PngWriter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace korvane {
namespace {

// A capture shows whatever was on the screen: whatever the umask, only this user may read it,
// and a file that was there before (readable by all) is replaced by one that is not.
TEST(PngWriter, CapturesAreReadableByTheirOwnerOnly) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("korvane-png-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "korvane-server.png").string();
    ASSERT_EQ(::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0644)), 0);
    const mode_t umask = ::umask(0);
    const DesktopError error = writePngFile(path, {2, 2, std::vector<std::uint8_t>(12, 0x80)});
    ::umask(umask);
    ASSERT_FALSE(error) << error.message();
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace korvane
