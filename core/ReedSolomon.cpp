#include "core/ReedSolomon.h"

namespace korvane {
namespace {

constexpr unsigned kFieldPolynomial = 0x11D;

// Carry-less multiplication reduced by the field polynomial: a handful of codewords per symbol
// does not pay for log tables.
std::uint8_t gfMultiply(std::uint8_t a, std::uint8_t b) {
    unsigned product = 0;
    unsigned factor = a;
    for (unsigned rest = b; rest != 0; rest >>= 1) {
        if ((rest & 1u) != 0) {
            product ^= factor;
        }
        factor <<= 1;
        if ((factor & 0x100u) != 0) {
            factor ^= kFieldPolynomial;
        }
    }
    return static_cast<std::uint8_t>(product);
}

// (x - 2^0)(x - 2^1)...(x - 2^(degree-1)), the highest power first; its leading 1 is kept so
// that the division below can index it like the other coefficients.
std::vector<std::uint8_t> generatorPolynomial(int degree) {
    std::vector<std::uint8_t> generator{1};
    std::uint8_t root = 1;
    for (int i = 0; i < degree; ++i) {
        std::vector<std::uint8_t> next(generator.size() + 1, 0);
        for (std::size_t j = 0; j < generator.size(); ++j) {
            next[j] ^= generator[j];
            next[j + 1] ^= gfMultiply(generator[j], root);
        }
        generator = std::move(next);
        root = gfMultiply(root, 2);
    }
    return generator;
}

}  // namespace

std::vector<std::uint8_t> reedSolomonCheck(const std::vector<std::uint8_t>& data, int checkCount) {
    const std::vector<std::uint8_t> generator = generatorPolynomial(checkCount);
    std::vector<std::uint8_t> remainder(static_cast<std::size_t>(checkCount), 0);
    for (std::uint8_t byte : data) {
        const std::uint8_t factor = byte ^ remainder.front();
        remainder.erase(remainder.begin());
        remainder.push_back(0);
        for (std::size_t j = 0; j < remainder.size(); ++j) {
            remainder[j] ^= gfMultiply(generator[j + 1], factor);
        }
    }
    return remainder;
}

}  // namespace korvane
