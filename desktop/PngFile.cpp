#include "desktop/PngFile.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <utility>

namespace korvane {
namespace {

std::string createError(const std::string& path, int err) {
    std::string full = std::filesystem::absolute(path).string();
    return "ファイル \"" + full + "\" を作成できません。" + std::strerror(err);
}

// libpng reports errors by longjmp; nothing with a destructor lives across these calls.
bool encode(std::FILE* file, int width, int height, const std::uint8_t* rgb) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    // zlib level 5 is the capture's documented encoding. The row filter is free: Up on every row
    // costs less than libpng's choice row by row and suits screen content.
    png_set_compression_level(png, 5);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        png_write_row(png, const_cast<png_bytep>(rgb + stride * static_cast<std::size_t>(y)));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Puts the finished file at `path` as a rename does, atomically. Over an existing file the two
// names are exchanged and the old file, now under the temporary name, removed: ext4 makes a
// rename over a file first write the new file's data out (so that a crash cannot leave it
// empty; a capture need not outlive one), which cost 4 ms on one capture in ten.
bool putInPlace(const std::string& temp, const std::string& path) {
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
        ::unlink(temp.c_str());
        return true;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

constexpr std::size_t kWriteBuffer = 64 * 1024;

DesktopError captureError(std::string text) {
    return DesktopError(DesktopError::Kind::Capture, std::move(text));
}

}  // namespace

struct PngFile::Parts {
    std::string path;
    // The temporary file until it is put in place; empty when there is none.
    std::string temp;
    std::FILE* file = nullptr;
    // Why the temporary file could not be made (errno), for write to report.
    int createErrno = 0;
    std::unique_ptr<char[]> buffer;
};

PngFile::PngFile(const std::string& path) : mParts(std::make_unique<Parts>()) {
    Parts& parts = *mParts;
    parts.path = path;
    // mkostemp makes the file readable by this user alone (0600): the screen around the caret may
    // show anything.
    parts.temp = path + ".XXXXXX";
    // Not inherited by a program started meanwhile: the file is open for the whole pause.
    const int fd = ::mkostemp(parts.temp.data(), O_CLOEXEC);
    if (fd < 0) {
        parts.createErrno = errno;
        parts.temp.clear();
        return;
    }
    parts.file = ::fdopen(fd, "wb");
    if (parts.file == nullptr) {
        parts.createErrno = errno;
        ::close(fd);
        ::unlink(parts.temp.c_str());
        parts.temp.clear();
        return;
    }
    // A capture's file in one write rather than a few of stdio's 4 KB; stdio ignores the size
    // asked for unless it is given the buffer. Without one it still works, in 4 KB writes.
    parts.buffer.reset(new (std::nothrow) char[kWriteBuffer]);
    if (parts.buffer != nullptr) {
        std::setvbuf(parts.file, parts.buffer.get(), _IOFBF, kWriteBuffer);
    }
}

PngFile::~PngFile() {
    if (mParts->file != nullptr) {
        std::fclose(mParts->file);
    }
    if (!mParts->temp.empty()) {
        ::unlink(mParts->temp.c_str());
    }
}

DesktopError PngFile::write(const RgbImage& image) {
    Parts& parts = *mParts;
    if (DesktopError bad = badPicture(image)) {
        return bad;
    }
    if (parts.file == nullptr) {
        return captureError(
            createError(parts.path, parts.createErrno == 0 ? EBADF : parts.createErrno));
    }
    // What the pause and the grab left in errno is not the encode's.
    errno = 0;
    bool encoded = encode(parts.file, image.width, image.height, image.pixels.data());
    int err = errno;
    bool closed = std::fclose(std::exchange(parts.file, nullptr)) == 0;
    if (!closed) {
        err = errno;
    }
    if (!encoded || !closed || !putInPlace(parts.temp, parts.path)) {
        if (encoded && closed) {
            err = errno;
        }
        return captureError(createError(parts.path, err == 0 ? EIO : err));
    }
    parts.temp.clear();
    return {};
}

}  // namespace korvane
