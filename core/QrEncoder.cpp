#include "core/QrEncoder.h"

#include <limits>

#include "core/QrCodewords.h"
#include "core/QrGrid.h"
#include "core/QrMaskPenalty.h"
#include "core/QrVersion.h"

namespace korvane {
namespace {

constexpr int kQuietZone = 4;
constexpr int kMaskCount = 8;

QrMatrix withQuietZone(const QrMatrix& symbol) {
    QrMatrix framed;
    framed.size = symbol.size + 2 * kQuietZone;
    framed.dark.assign(static_cast<std::size_t>(framed.size) * framed.size, false);
    for (int y = 0; y < symbol.size; ++y) {
        for (int x = 0; x < symbol.size; ++x) {
            framed.dark[static_cast<std::size_t>(y + kQuietZone) * framed.size + x + kQuietZone] =
                symbol.isDark(x, y);
        }
    }
    return framed;
}

}  // namespace

std::optional<QrMatrix> encodeQrSymbol(std::string_view payload) {
    const std::optional<QrVersion> version = smallestQrVersion(payload.size());
    if (!version) {
        return std::nullopt;
    }
    QrGrid grid(*version);
    grid.placeCodewords(qrCodewords(payload, *version));
    QrMatrix best;
    int bestPenalty = std::numeric_limits<int>::max();
    // The standard leaves a tie open; keeping the lower mask number gives the symbol that ZXing's
    // writer draws on Linux.
    for (int mask = 0; mask < kMaskCount; ++mask) {
        QrMatrix candidate = grid.withMask(mask);
        const int penalty = qrMaskPenalty(candidate);
        if (penalty < bestPenalty) {
            bestPenalty = penalty;
            best = std::move(candidate);
        }
    }
    return withQuietZone(best);
}

}  // namespace korvane
