#include "desktop/ZlibPng.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <random>
#include <string>

namespace korvane {
namespace {

std::uint32_t readUint32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}

struct Chunk {
    std::string type;
    std::vector<std::uint8_t> data;
};

// The chunks after the signature, each with its CRC checked; a fault fails the test.
std::vector<Chunk> readChunks(const std::vector<std::uint8_t>& png) {
    static const std::vector<std::uint8_t> kSignature = {0x89, 'P',  'N',  'G',
                                                         '\r', '\n', 0x1a, '\n'};
    EXPECT_TRUE(png.size() >= 8 && std::equal(kSignature.begin(), kSignature.end(), png.begin()));
    std::vector<Chunk> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t size = readUint32(&png[at]);
        if (at + 12 + size > png.size()) {
            ADD_FAILURE() << "chunk past the end at " << at;
            break;
        }
        const std::uint8_t* typeAt = &png[at + 4];
        EXPECT_EQ(readUint32(typeAt + 4 + size), ::crc32(0L, typeAt, size + 4)) << "CRC at " << at;
        chunks.push_back({std::string(typeAt, typeAt + 4),
                          std::vector<std::uint8_t>(typeAt + 4, typeAt + 4 + size)});
        at += 12 + size;
    }
    return chunks;
}

// The pixels as libpng reads them, 8-bit RGB; empty if libpng refuses the file.
std::vector<std::uint8_t> decodeWithLibpng(const std::vector<std::uint8_t>& png) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        return {};
    }
    return rgb;
}

std::vector<std::uint8_t> inflateAll(const std::vector<std::uint8_t>& deflated) {
    std::vector<std::uint8_t> out(64 * 1024);
    z_stream stream{};
    EXPECT_EQ(::inflateInit(&stream), Z_OK);
    stream.next_in = const_cast<Bytef*>(deflated.data());
    stream.avail_in = static_cast<uInt>(deflated.size());
    int result = Z_OK;
    while (result == Z_OK) {
        const std::size_t done = stream.total_out;
        out.resize(done + 64 * 1024);
        stream.next_out = out.data() + done;
        stream.avail_out = 64 * 1024;
        result = ::inflate(&stream, Z_NO_FLUSH);
    }
    EXPECT_EQ(result, Z_STREAM_END);
    out.resize(stream.total_out);
    ::inflateEnd(&stream);
    return out;
}

RgbImage noise(int width, int height) {
    RgbImage image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
    std::mt19937 random(7);
    for (std::uint8_t& byte : image.pixels) {
        byte = static_cast<std::uint8_t>(random());
    }
    return image;
}

// Bytes that differ from the row above, where a wrong Up filter shows; the right edge's colour
// stands out, where a stride off by one shows.
RgbImage stripes(int width, int height) {
    RgbImage image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool edge = x == width - 1;
            image.pixels.insert(image.pixels.end(),
                                {static_cast<std::uint8_t>(x * 7 + y * 3),
                                 static_cast<std::uint8_t>(edge ? 255 : 255 - y * 11),
                                 static_cast<std::uint8_t>(edge ? 0 : (x ^ y) * 5)});
        }
    }
    return image;
}

// Pictures from one pixel to one whose deflated rows fill several IDAT chunks: libpng reads them
// back pixel for pixel, every chunk's CRC is right, and the file holds IHDR (8-bit RGB, no
// interlace), the IDAT chunks and IEND, nothing else.
TEST(ZlibPng, LibpngReadsBackEveryPixel) {
    struct Case {
        const char* name;
        RgbImage image;
        std::size_t minIdat;
    };
    const Case cases[] = {
        {"one pixel", {1, 1, {10, 200, 30}}, 1},
        {"one row", stripes(97, 1), 1},
        {"one column", stripes(1, 50), 1},
        {"stripes", stripes(320, 240), 1},
        // 180 KB of noise does not deflate below three IDAT chunks.
        {"noise", noise(300, 200), 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::vector<std::uint8_t>> png = encodeZlibPng(c.image);
        ASSERT_TRUE(png);
        EXPECT_EQ(decodeWithLibpng(*png), c.image.pixels);

        const std::vector<Chunk> chunks = readChunks(*png);
        ASSERT_GE(chunks.size(), 3u);
        EXPECT_EQ(chunks.front().type, "IHDR");
        const std::vector<std::uint8_t>& header = chunks.front().data;
        ASSERT_EQ(header.size(), 13u);
        EXPECT_EQ(readUint32(&header[0]), std::uint32_t(c.image.width));
        EXPECT_EQ(readUint32(&header[4]), std::uint32_t(c.image.height));
        EXPECT_EQ(std::vector<std::uint8_t>(header.begin() + 8, header.end()),
                  (std::vector<std::uint8_t>{8, 2, 0, 0, 0}));
        EXPECT_EQ(chunks.back().type, "IEND");
        EXPECT_TRUE(chunks.back().data.empty());
        for (std::size_t i = 1; i + 1 < chunks.size(); ++i) {
            EXPECT_EQ(chunks[i].type, "IDAT");
            EXPECT_LE(chunks[i].data.size(), kIdatBytes);
            EXPECT_FALSE(chunks[i].data.empty());
        }
        EXPECT_GE(chunks.size() - 2, c.minIdat);
    }
}

// The capture's documented encoding: zlib at level 5, which zlib records as FLEVEL 1 (levels 2 to
// 5), and the Up filter (2) at the head of every row.
TEST(ZlibPng, RowsAreDeflatedAtLevelFiveUnderTheUpFilter) {
    const RgbImage image = stripes(64, 40);
    const std::optional<std::vector<std::uint8_t>> png = encodeZlibPng(image);
    ASSERT_TRUE(png);
    std::vector<std::uint8_t> deflated;
    for (const Chunk& chunk : readChunks(*png)) {
        if (chunk.type == "IDAT") {
            deflated.insert(deflated.end(), chunk.data.begin(), chunk.data.end());
        }
    }
    ASSERT_GE(deflated.size(), 2u);
    EXPECT_EQ(deflated[0] & 0x0f, 8) << "deflate";
    EXPECT_EQ(deflated[1] >> 6, 1) << "FLEVEL";

    const std::vector<std::uint8_t> rows = inflateAll(deflated);
    const std::size_t stride = 64 * 3;
    ASSERT_EQ(rows.size(), 40 * (1 + stride));
    for (int y = 0; y < 40; ++y) {
        EXPECT_EQ(rows[y * (1 + stride)], 2) << "row " << y;
    }
    // The second row's first byte is stored as its difference from the first row's.
    EXPECT_EQ(rows[1 + stride + 1], std::uint8_t(image.pixels[stride] - image.pixels[0]));
}

}  // namespace
}  // namespace korvane
