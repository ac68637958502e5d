#include "desktop/ZlibPng.h"

#include <zlib.h>

#include <array>
#include <cstddef>

namespace korvane {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// The capture's documented encoding.
constexpr int kLevel = 5;
// Screen content repeats down the columns far more than it is noisy; Up also costs next to
// nothing to compute.
constexpr std::uint8_t kFilterUp = 2;

void putUint32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// Appends a chunk: length, type, data, and the CRC of type and data. A chunk is at most
// kIdatBytes long, well within zlib's crc32.
void putChunk(std::vector<std::uint8_t>& out, const char* type, const std::uint8_t* data,
              std::size_t size) {
    putUint32(out, static_cast<std::uint32_t>(size));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    const uLong crc = ::crc32(0L, out.data() + typeAt, static_cast<uInt>(size + 4));
    putUint32(out, static_cast<std::uint32_t>(crc));
}

void putHeader(std::vector<std::uint8_t>& out, const RgbImage& image) {
    std::vector<std::uint8_t> header;
    putUint32(header, static_cast<std::uint32_t>(image.width));
    putUint32(header, static_cast<std::uint32_t>(image.height));
    // Bit depth 8, colour type 2 (RGB), deflate, adaptive filtering, no interlace.
    header.insert(header.end(), {8, 2, 0, 0, 0});
    putChunk(out, "IHDR", header.data(), header.size());
}

// zlib's stream, ended however the encode leaves.
class Deflater {
  public:
    Deflater() {
        mStream.next_out = mBuffer.data();
        mStream.avail_out = static_cast<uInt>(mBuffer.size());
        mReady = ::deflateInit(&mStream, kLevel) == Z_OK;
    }
    ~Deflater() {
        if (mReady) {
            ::deflateEnd(&mStream);
        }
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    bool ready() const { return mReady; }

    // Deflates `size` bytes (none with `finish`), putting each full buffer into an IDAT chunk of
    // `out`; with `finish`, ends the stream and puts what is left in a last chunk.
    bool deflate(const std::uint8_t* data, std::size_t size, bool finish,
                 std::vector<std::uint8_t>& out) {
        mStream.next_in = const_cast<Bytef*>(data);
        mStream.avail_in = static_cast<uInt>(size);
        for (;;) {
            const int result = ::deflate(&mStream, finish ? Z_FINISH : Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
                return false;
            }
            const bool done = finish ? result == Z_STREAM_END : mStream.avail_in == 0;
            const std::size_t used = mBuffer.size() - mStream.avail_out;
            if (used > 0 && (mStream.avail_out == 0 || (done && finish))) {
                putChunk(out, "IDAT", mBuffer.data(), used);
                mStream.next_out = mBuffer.data();
                mStream.avail_out = static_cast<uInt>(mBuffer.size());
            }
            if (done) {
                return true;
            }
        }
    }

  private:
    std::vector<std::uint8_t> mBuffer = std::vector<std::uint8_t>(kIdatBytes);
    z_stream mStream{};
    bool mReady = false;
};

// Deflates the rows, each as its filter byte and its bytes less those of the row above.
bool putImageData(std::vector<std::uint8_t>& out, const RgbImage& image) {
    Deflater deflater;
    if (!deflater.ready()) {
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(image.width) * 3;
    std::vector<std::uint8_t> filtered(1 + stride);
    filtered[0] = kFilterUp;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixels.data() + stride * static_cast<std::size_t>(y);
        for (std::size_t i = 0; i < stride; ++i) {
            const std::uint8_t above = y == 0 ? 0 : row[i - stride];
            filtered[1 + i] = static_cast<std::uint8_t>(row[i] - above);
        }
        if (!deflater.deflate(filtered.data(), filtered.size(), false, out)) {
            return false;
        }
    }
    return deflater.deflate(nullptr, 0, true, out);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> encodeZlibPng(const RgbImage& image) {
    std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
    putHeader(out, image);
    if (!putImageData(out, image)) {
        return std::nullopt;
    }
    putChunk(out, "IEND", nullptr, 0);
    return out;
}

}  // namespace korvane
