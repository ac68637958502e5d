#include "tests/desktop/DecodedPng.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace korvane::test {
namespace {

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

// libpng hides which chunks a file holds; walk them by hand.
bool listChunks(const std::string& path, std::vector<std::string>& chunks) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = bigEndian(bytes, at);
        chunks.push_back(bytes.substr(at + 4, 4));
        at += 12 + static_cast<std::size_t>(length);
    }
    return at == bytes.size();
}

bool decode(std::FILE* file, DecodedPng& png) {
    png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(reader);
    if (setjmp(png_jmpbuf(reader))) {
        png_destroy_read_struct(&reader, &info, nullptr);
        return false;
    }
    png_init_io(reader, file);
    png_read_info(reader, info);
    png.width = png_get_image_width(reader, info);
    png.height = png_get_image_height(reader, info);
    png.bitDepth = png_get_bit_depth(reader, info);
    png.colorType = png_get_color_type(reader, info);
    png.interlace = png_get_interlace_type(reader, info);
    if (png.bitDepth == 8 && png.colorType == PNG_COLOR_TYPE_RGB) {
        png.rgb.resize(static_cast<std::size_t>(png.width) * png.height * 3);
        for (std::uint32_t y = 0; y < png.height; ++y) {
            png_read_row(reader, png.rgb.data() + static_cast<std::size_t>(y) * png.width * 3,
                         nullptr);
        }
        png_read_end(reader, nullptr);
    }
    png_destroy_read_struct(&reader, &info, nullptr);
    return true;
}

}  // namespace

DecodedPng::Pixel DecodedPng::at(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    return Pixel{p[0], p[1], p[2]};
}

bool readPngFile(const std::string& path, DecodedPng& png, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open " + path;
        return false;
    }
    const bool decoded = decode(file, png);
    std::fclose(file);
    if (!decoded) {
        error = "not a PNG file: " + path;
        return false;
    }
    if (!listChunks(path, png.chunks)) {
        error = "chunks do not end where the file ends: " + path;
        return false;
    }
    return true;
}

}  // namespace korvane::test
