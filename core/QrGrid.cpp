#include "core/QrGrid.h"

#include <algorithm>
#include <cstdlib>

namespace korvane {
namespace {

// Level L's two indicator bits in the format information.
constexpr unsigned kLevelLBits = 0b01;
constexpr unsigned kFormatGenerator = 0x537;
// XORed into the format information so that it is never all light.
constexpr unsigned kFormatMask = 0x5412;
constexpr unsigned kVersionGenerator = 0x1F25;

std::size_t indexOf(const QrMatrix& matrix, int x, int y) {
    return static_cast<std::size_t>(y) * matrix.size + x;
}

// value followed by the remainder of value * x^degree divided by generator (a polynomial of
// that degree over GF(2)): the BCH code of the format and version information.
unsigned withBchCheck(unsigned value, unsigned generator, int degree) {
    unsigned remainder = value << degree;
    for (int bit = 31; bit >= degree; --bit) {
        if (((remainder >> bit) & 1u) != 0) {
            remainder ^= generator << (bit - degree);
        }
    }
    return (value << degree) | remainder;
}

// The eight mask conditions; x is the column, y the row.
bool maskInverts(int mask, int x, int y) {
    switch (mask) {
        case 0:
            return (x + y) % 2 == 0;
        case 1:
            return y % 2 == 0;
        case 2:
            return x % 3 == 0;
        case 3:
            return (x + y) % 3 == 0;
        case 4:
            return (y / 2 + x / 3) % 2 == 0;
        case 5:
            return (x * y) % 2 + (x * y) % 3 == 0;
        case 6:
            return ((x * y) % 2 + (x * y) % 3) % 2 == 0;
        default:
            return ((x + y) % 2 + (x * y) % 3) % 2 == 0;
    }
}

// The 15 format bits go once around the top left finder and once split between the other two;
// bit 0 is the least significant.
void writeFormatInformation(QrMatrix& symbol, int mask) {
    const unsigned bits =
        withBchCheck((kLevelLBits << 3) | static_cast<unsigned>(mask), kFormatGenerator, 10) ^
        kFormatMask;
    const int size = symbol.size;
    auto put = [&](int x, int y, int bit) {
        symbol.dark[indexOf(symbol, x, y)] = ((bits >> bit) & 1u) != 0;
    };
    for (int i = 0; i <= 5; ++i) {
        put(8, i, i);
        put(5 - i, 8, 9 + i);
    }
    put(8, 7, 6);
    put(8, 8, 7);
    put(7, 8, 8);
    for (int i = 0; i <= 7; ++i) {
        put(size - 1 - i, 8, i);
    }
    for (int i = 8; i <= 14; ++i) {
        put(8, size - 15 + i, i);
    }
}

}  // namespace

QrGrid::QrGrid(const QrVersion& version) {
    const int size = version.size();
    mModules.size = size;
    mModules.dark.assign(static_cast<std::size_t>(size) * size, false);
    mFixed.assign(mModules.dark.size(), false);
    drawTiming();
    drawFinder(3, 3);
    drawFinder(size - 4, 3);
    drawFinder(3, size - 4);
    drawAlignments(version.alignmentCenters);
    reserveFormatAreas();
    if (version.number >= 7) {
        drawVersionInformation(version.number);
    }
}

void QrGrid::setFixed(int x, int y, bool dark) {
    mModules.dark[indexOf(mModules, x, y)] = dark;
    mFixed[indexOf(mModules, x, y)] = true;
}

// The 7x7 finder with its light separator around it, cut off at the symbol's edge.
void QrGrid::drawFinder(int centerX, int centerY) {
    for (int dy = -4; dy <= 4; ++dy) {
        for (int dx = -4; dx <= 4; ++dx) {
            const int x = centerX + dx;
            const int y = centerY + dy;
            if (x < 0 || y < 0 || x >= mModules.size || y >= mModules.size) {
                continue;
            }
            const int ring = std::max(std::abs(dx), std::abs(dy));
            setFixed(x, y, ring != 2 && ring != 4);
        }
    }
}

// Every pairing of the centres, except the three corners that the finders hold.
void QrGrid::drawAlignments(const std::vector<int>& centers) {
    if (centers.empty()) {
        return;
    }
    const int first = centers.front();
    const int last = centers.back();
    for (int cy : centers) {
        for (int cx : centers) {
            if ((cx == first && cy == first) || (cx == first && cy == last) ||
                (cx == last && cy == first)) {
                continue;
            }
            for (int dy = -2; dy <= 2; ++dy) {
                for (int dx = -2; dx <= 2; ++dx) {
                    setFixed(cx + dx, cy + dy, std::max(std::abs(dx), std::abs(dy)) != 1);
                }
            }
        }
    }
}

void QrGrid::drawTiming() {
    for (int i = 0; i < mModules.size; ++i) {
        setFixed(i, 6, i % 2 == 0);
        setFixed(6, i, i % 2 == 0);
    }
}

// The format modules are claimed now and written per mask; the module beside the bottom left
// finder is always dark.
void QrGrid::reserveFormatAreas() {
    const int size = mModules.size;
    for (int i = 0; i <= 8; ++i) {
        // Row and column 6 belong to the timing patterns.
        if (i != 6) {
            setFixed(8, i, false);
            setFixed(i, 8, false);
        }
    }
    for (int i = 0; i < 8; ++i) {
        setFixed(size - 1 - i, 8, false);
        setFixed(8, size - 1 - i, false);
    }
    setFixed(8, size - 8, true);
}

// 18 bits, 6 by 3 above the bottom left finder and mirrored left of the top right one.
void QrGrid::drawVersionInformation(int version) {
    const unsigned bits = withBchCheck(static_cast<unsigned>(version), kVersionGenerator, 12);
    for (int i = 0; i < 18; ++i) {
        const bool dark = ((bits >> i) & 1u) != 0;
        const int along = i / 3;
        const int across = mModules.size - 11 + i % 3;
        setFixed(across, along, dark);
        setFixed(along, across, dark);
    }
}

void QrGrid::placeCodewords(const std::vector<std::uint8_t>& codewords) {
    const int size = mModules.size;
    const std::size_t totalBits = codewords.size() * 8;
    std::size_t bit = 0;
    bool upward = true;
    for (int right = size - 1; right >= 1; right -= 2) {
        // The vertical timing pattern takes a whole column: the pairs shift left past it.
        if (right == 6) {
            right = 5;
        }
        for (int step = 0; step < size; ++step) {
            const int y = upward ? size - 1 - step : step;
            for (int x : {right, right - 1}) {
                const std::size_t index = indexOf(mModules, x, y);
                if (mFixed[index]) {
                    continue;
                }
                mModules.dark[index] =
                    bit < totalBits && ((codewords[bit / 8] >> (7 - bit % 8)) & 1u) != 0;
                ++bit;
            }
        }
        upward = !upward;
    }
}

QrMatrix QrGrid::withMask(int mask) const {
    QrMatrix symbol = mModules;
    for (int y = 0; y < symbol.size; ++y) {
        for (int x = 0; x < symbol.size; ++x) {
            const std::size_t index = indexOf(symbol, x, y);
            if (!mFixed[index] && maskInverts(mask, x, y)) {
                symbol.dark[index] = !symbol.dark[index];
            }
        }
    }
    writeFormatInformation(symbol, mask);
    return symbol;
}

}  // namespace korvane
