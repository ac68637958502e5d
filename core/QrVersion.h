#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace korvane {

// One QR version at error correction level L, the only level the connection code uses: its size,
// how its codewords split into blocks, and where its alignment patterns sit. Versions 1..10 are
// known, enough for any connection payload.
struct QrVersion {
    int number = 1;
    int checkPerBlock = 0;
    // The blocks of the first group come first; the second group's blocks carry one data
    // codeword more.
    int shortBlocks = 0;
    int shortBlockData = 0;
    int longBlocks = 0;
    std::vector<int> alignmentCenters;

    int size() const { return 17 + 4 * number; }
    int dataCodewords() const {
        return shortBlocks * shortBlockData + longBlocks * (shortBlockData + 1);
    }
    // Byte mode counts its characters in 8 bits up to version 9, in 16 bits from version 10.
    int countBits() const { return number < 10 ? 8 : 16; }
    // Bytes that fit after the mode indicator (4 bits) and the character count.
    std::size_t byteCapacity() const {
        return static_cast<std::size_t>((dataCodewords() * 8 - 4 - countBits()) / 8);
    }
};

// The smallest known version whose capacity holds payloadBytes; nullopt past version 10.
std::optional<QrVersion> smallestQrVersion(std::size_t payloadBytes);

}  // namespace korvane
