#include "core/QrCodewords.h"

#include <algorithm>

#include "core/ReedSolomon.h"

namespace korvane {
namespace {

constexpr unsigned kByteMode = 0b0100;
// The pad codewords alternate between these two, as the standard fixes them.
constexpr std::uint8_t kPadFirst = 0xEC;
constexpr std::uint8_t kPadSecond = 0x11;

void appendBits(std::vector<bool>& bits, unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        bits.push_back(((value >> i) & 1u) != 0);
    }
}

std::vector<std::uint8_t> dataCodewords(std::string_view payload, const QrVersion& version) {
    const std::size_t capacityBits = static_cast<std::size_t>(version.dataCodewords()) * 8;
    std::vector<bool> bits;
    appendBits(bits, kByteMode, 4);
    appendBits(bits, static_cast<unsigned>(payload.size()), version.countBits());
    for (char c : payload) {
        appendBits(bits, static_cast<unsigned char>(c), 8);
    }
    // The terminator is up to four zero bits, fewer when the capacity ends sooner.
    bits.resize(std::min(capacityBits, bits.size() + 4), false);
    bits.resize((bits.size() + 7) / 8 * 8, false);

    std::vector<std::uint8_t> codewords;
    for (std::size_t i = 0; i < bits.size(); i += 8) {
        unsigned byte = 0;
        for (std::size_t j = 0; j < 8; ++j) {
            byte = (byte << 1) | (bits[i + j] ? 1u : 0u);
        }
        codewords.push_back(static_cast<std::uint8_t>(byte));
    }
    for (bool first = true; codewords.size() < capacityBits / 8; first = !first) {
        codewords.push_back(first ? kPadFirst : kPadSecond);
    }
    return codewords;
}

// The i-th codeword of every block that has one, block after block, for each i in turn.
std::vector<std::uint8_t> interleave(const std::vector<std::vector<std::uint8_t>>& blocks) {
    std::vector<std::uint8_t> out;
    std::size_t longest = 0;
    for (const auto& block : blocks) {
        longest = std::max(longest, block.size());
    }
    for (std::size_t i = 0; i < longest; ++i) {
        for (const auto& block : blocks) {
            if (i < block.size()) {
                out.push_back(block[i]);
            }
        }
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> qrCodewords(std::string_view payload, const QrVersion& version) {
    const std::vector<std::uint8_t> data = dataCodewords(payload, version);
    std::vector<std::vector<std::uint8_t>> dataBlocks;
    std::vector<std::vector<std::uint8_t>> checkBlocks;
    auto next = data.begin();
    for (int b = 0; b < version.shortBlocks + version.longBlocks; ++b) {
        const int length = version.shortBlockData + (b < version.shortBlocks ? 0 : 1);
        dataBlocks.emplace_back(next, next + length);
        next += length;
        checkBlocks.push_back(reedSolomonCheck(dataBlocks.back(), version.checkPerBlock));
    }
    std::vector<std::uint8_t> out = interleave(dataBlocks);
    const std::vector<std::uint8_t> checks = interleave(checkBlocks);
    out.insert(out.end(), checks.begin(), checks.end());
    return out;
}

}  // namespace korvane
