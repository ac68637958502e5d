#include "desktop/PngFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace korvane {
namespace {

// A capture shows whatever was on the screen: whatever the umask, only this user may read it,
// and a file that was there before (readable by all) is replaced by one that is not.
TEST(PngFile, CapturesAreReadableByTheirOwnerOnly) {
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

// The temporary file is made with the object, so that a capture can make it within its pause; one
// that is never written leaves nothing behind and the old capture as it was.
TEST(PngFile, FileNeverWrittenLeavesTheOldOneAlone) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("korvane-unwritten-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "korvane-server.png").string();
    std::ofstream(path, std::ios::binary) << "old capture";
    auto entries = [&] {
        return std::distance(std::filesystem::directory_iterator(folder),
                             std::filesystem::directory_iterator());
    };
    {
        PngFile file(path);
        EXPECT_EQ(entries(), 2) << "the temporary file is made at once";
    }
    EXPECT_EQ(entries(), 1);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old capture");
    std::filesystem::remove_all(folder);
}

// A write that fails, or comes a second time, leaves the old file as it was and nothing beside it.
TEST(PngFile, FailedWriteLeavesTheOldFileAndNothingElse) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("korvane-failed-" + std::to_string(::getpid()));
    const std::string path = (folder / "korvane-server.png").string();
    const RgbImage good{2, 2, std::vector<std::uint8_t>(12, 0x80)};
    struct Case {
        const char* what;
        bool folderAtPath;
        bool writtenBefore;
        RgbImage picture;
        std::string message;
    };
    const std::string cannotCreate = "ファイル \"" + path + "\" を作成できません。";
    const Case cases[] = {
        {"a folder in the way", true, false, good, cannotCreate},
        {"no picture", false, false, RgbImage{}, "画像の大きさが不正です。(0 x 0)"},
        {"too few pixels", false, false, RgbImage{2, 2, std::vector<std::uint8_t>(11)},
         "画像の大きさが不正です。(2 x 2)"},
        {"written twice", false, true, good, cannotCreate},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        if (c.folderAtPath) {
            std::filesystem::create_directory(path);
        } else {
            std::ofstream(path, std::ios::binary) << "old capture";
        }
        std::string error;
        std::string before;
        {
            PngFile file(path);
            if (c.writtenBefore) {
                ASSERT_FALSE(file.write(good)) << c.what;
            }
            if (!c.folderAtPath) {
                std::ifstream in(path, std::ios::binary);
                before.assign(std::istreambuf_iterator<char>(in), {});
            }
            error = file.write(c.picture).message();
        }
        EXPECT_EQ(error.substr(0, c.message.size()), c.message) << c.what << ": " << error;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                                std::filesystem::directory_iterator()),
                  1)
            << c.what;
        if (!c.folderAtPath) {
            std::ifstream in(path, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), before) << c.what;
        }
    }
    std::filesystem::remove_all(folder);
}

// The encoder's settings trade size for time, never pixels: a picture of flat areas, gradients
// and noise, at an odd width, decodes (by libpng) to exactly what was written.
TEST(PngFile, FileDecodesToThePicturePixelForPixel) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("korvane-pixels-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "korvane-server.png").string();
    RgbImage picture{321, 67, {}};
    std::mt19937 noise(15);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int value = y < 20   ? (x / 40 % 2 == 0 ? 0xf0 : 0x10 * c)
                                  : y < 40 ? (x + y * 3 + c * 85) % 256
                                           : static_cast<int>(noise() % 256);
                picture.pixels.push_back(static_cast<std::uint8_t>(value));
            }
        }
    }
    const DesktopError error = writePngFile(path, picture);
    ASSERT_FALSE(error) << error.message();
    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&read, path.c_str())) << read.message;
    read.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> decoded(PNG_IMAGE_SIZE(read));
    ASSERT_TRUE(png_image_finish_read(&read, nullptr, decoded.data(), 0, nullptr)) << read.message;
    EXPECT_EQ(read.width, 321u);
    EXPECT_EQ(read.height, 67u);
    EXPECT_TRUE(decoded == picture.pixels);
    std::filesystem::remove_all(folder);
}

// The picture is deflated at zlib level 5. The zlib stream's header (the first two bytes of the
// first IDAT chunk) is what a reader can see of it: FLEVEL, the top two bits of its second byte,
// is 1 for levels 2 to 5 (0 for level 1 and below, 2 for level 6, 3 above), and the two bytes
// make a multiple of 31.
TEST(PngFile, PictureIsDeflatedAtLevelFive) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("korvane-level-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "korvane-server.png").string();
    RgbImage picture{64, 48, {}};
    for (int i = 0; i < picture.width * picture.height * 3; ++i) {
        picture.pixels.push_back(static_cast<std::uint8_t>(i * 7 % 251));
    }
    const DesktopError error = writePngFile(path, picture);
    ASSERT_FALSE(error) << error.message();
    std::ifstream in(path, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    auto byteAt = [&](std::size_t at) { return static_cast<unsigned char>(bytes.at(at)); };
    // Chunks follow the 8-byte signature: length (big-endian), type, data, CRC.
    std::size_t at = 8;
    while (at + 8 <= bytes.size() && bytes.compare(at + 4, 4, "IDAT") != 0) {
        at += 12 + (std::size_t{byteAt(at)} << 24 | std::size_t{byteAt(at + 1)} << 16 |
                    std::size_t{byteAt(at + 2)} << 8 | byteAt(at + 3));
    }
    ASSERT_LT(at + 10, bytes.size()) << "no IDAT chunk";
    const unsigned cmf = byteAt(at + 8);
    const unsigned flg = byteAt(at + 9);
    EXPECT_EQ(cmf & 0x0f, 8u) << "deflate";
    EXPECT_EQ((cmf << 8 | flg) % 31, 0u);
    EXPECT_EQ(flg >> 6, 1u) << "FLEVEL of zlib levels 2 to 5";
    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&read, bytes.data(), bytes.size()))
        << read.message;
    read.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> decoded(PNG_IMAGE_SIZE(read));
    ASSERT_TRUE(png_image_finish_read(&read, nullptr, decoded.data(), 0, nullptr)) << read.message;
    EXPECT_TRUE(decoded == picture.pixels);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace korvane
