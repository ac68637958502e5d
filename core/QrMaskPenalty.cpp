#include "core/QrMaskPenalty.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace korvane {
namespace {

constexpr int kRunWeight = 3;
constexpr int kBlockWeight = 3;
constexpr int kFinderLikeWeight = 40;
constexpr int kBalanceWeight = 10;
constexpr int kShortestRun = 5;
constexpr std::array<bool, 7> kFinderLike{true, false, true, true, true, false, true};
constexpr int kFinderLikeMargin = 4;

// One row (or, transposed, one column) of the symbol.
struct Line {
    const QrMatrix& symbol;
    int index;
    bool column;

    bool dark(int at) const { return column ? symbol.isDark(index, at) : symbol.isDark(at, index); }

    // Outside the symbol counts as light: the quiet zone is there.
    bool lightBetween(int from, int to) const {
        for (int at = std::max(from, 0); at < std::min(to, symbol.size); ++at) {
            if (dark(at)) {
                return false;
            }
        }
        return true;
    }
};

int runPenalty(const Line& line) {
    int penalty = 0;
    int run = 0;
    bool colour = false;
    for (int at = 0; at <= line.symbol.size; ++at) {
        const bool ended = at == line.symbol.size || (at > 0 && line.dark(at) != colour);
        if (ended) {
            if (run >= kShortestRun) {
                penalty += kRunWeight + run - kShortestRun;
            }
            run = 0;
        }
        if (at < line.symbol.size) {
            colour = line.dark(at);
            ++run;
        }
    }
    return penalty;
}

// Dark, light, three dark, light, dark with four light modules on at least one side. A sequence
// light on both sides counts once: the standard's wording allows either reading, and this one
// picks the mask that ZXing's writer picks.
int finderLikePenalty(const Line& line) {
    int penalty = 0;
    const int length = static_cast<int>(kFinderLike.size());
    for (int at = 0; at + length <= line.symbol.size; ++at) {
        bool matches = true;
        for (int k = 0; k < length && matches; ++k) {
            matches = line.dark(at + k) == kFinderLike[static_cast<std::size_t>(k)];
        }
        if (matches && (line.lightBetween(at - kFinderLikeMargin, at) ||
                        line.lightBetween(at + length, at + length + kFinderLikeMargin))) {
            penalty += kFinderLikeWeight;
        }
    }
    return penalty;
}

int blockPenalty(const QrMatrix& symbol) {
    int penalty = 0;
    for (int y = 0; y + 1 < symbol.size; ++y) {
        for (int x = 0; x + 1 < symbol.size; ++x) {
            const bool dark = symbol.isDark(x, y);
            if (symbol.isDark(x + 1, y) == dark && symbol.isDark(x, y + 1) == dark &&
                symbol.isDark(x + 1, y + 1) == dark) {
                penalty += kBlockWeight;
            }
        }
    }
    return penalty;
}

// 10 for every full 5 % that the dark share lies away from 50 %.
int balancePenalty(const QrMatrix& symbol) {
    const long long total = static_cast<long long>(symbol.dark.size());
    const long long dark = std::count(symbol.dark.begin(), symbol.dark.end(), true);
    return static_cast<int>(std::llabs(dark * 2 - total) * 10 / total) * kBalanceWeight;
}

}  // namespace

int qrMaskPenalty(const QrMatrix& symbol) {
    int penalty = blockPenalty(symbol) + balancePenalty(symbol);
    for (int index = 0; index < symbol.size; ++index) {
        for (bool column : {false, true}) {
            const Line line{symbol, index, column};
            penalty += runPenalty(line) + finderLikePenalty(line);
        }
    }
    return penalty;
}

}  // namespace korvane
