#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "desktop/DesktopError.h"
#include "desktop/RgbImage.h"

namespace korvane {

// A PNG file on its way to `path`, 8-bit RGB with no ancillary chunks, at zlib level 5 with the Up
// filter on every row (libpng; on Windows, where libpng is not at hand, ZlibPng.h). It is written
// beside its final path and renamed over it, so a reader never sees a half-written file and one
// that holds the old file open keeps reading the old bytes. Making that temporary file takes a
// tenth of a millisecond, a fifth of a small picture's encode, so it is made at once: a capture
// makes it within its pause and is left with the encode once the picture is taken. What was not put
// in place is removed when the object ends. One thread at a time may use it.
class PngFile {
  public:
    explicit PngFile(const std::string& path);
    ~PngFile();
    PngFile(const PngFile&) = delete;
    PngFile& operator=(const PngFile&) = delete;

    // Encodes the picture into the file and puts it at its path, replacing what was there whole;
    // once. On failure (making the temporary file included) the Capture error says why, the old
    // file is as it was, and nothing else is left once the object ends.
    DesktopError write(const RgbImage& image);

  private:
    // The error for a picture with no pixel, or fewer bytes than its size needs; none otherwise.
    static DesktopError badPicture(const RgbImage& image) {
        if (image.width > 0 && image.height > 0 &&
            image.pixels.size() >= static_cast<std::size_t>(image.width) *
                                       static_cast<std::size_t>(image.height) * 3) {
            return {};
        }
        return DesktopError(DesktopError::Kind::Capture, "画像の大きさが不正です。(" +
                                                             std::to_string(image.width) + " x " +
                                                             std::to_string(image.height) + ")");
    }

    struct Parts;
    std::unique_ptr<Parts> mParts;
};

inline DesktopError writePngFile(const std::string& path, const RgbImage& image) {
    return PngFile(path).write(image);
}

}  // namespace korvane
