#include "platform/Utf8.h"

#include <utility>

namespace korvane::utf8 {

std::size_t sequenceLength(std::string_view rest) {
    if (rest.empty()) {
        return 0;
    }
    auto b = static_cast<unsigned char>(rest[0]);
    std::size_t n = b < 0x80           ? 1
                    : (b >> 5) == 0x6  ? 2
                    : (b >> 4) == 0xE  ? 3
                    : (b >> 3) == 0x1E ? 4
                                       : 1;
    if (n > rest.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < n; ++i) {
        if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return n;
}

std::size_t length(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); i += sequenceLength(text.substr(i))) {
        ++count;
    }
    return count;
}

std::string_view mid(std::string_view text, std::size_t start, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t cp = 0; cp < start && i < text.size(); ++cp) {
        i += sequenceLength(text.substr(i));
    }
    std::size_t end = i;
    for (std::size_t cp = 0; cp < count && end < text.size(); ++cp) {
        end += sequenceLength(text.substr(end));
    }
    return text.substr(i, end - i);
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point starting at `at`, and how many bytes it takes.
std::pair<char32_t, std::size_t> decodeAt(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length == 1) {
        return {lead, 1};
    }
    if (length == 0 || at + length > text.size()) {
        return {kReplacement, 1};
    }
    char32_t point = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80) {
            return {kReplacement, 1};
        }
        point = (point << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return {kReplacement, 1};
    }
    return {point, length};
}

}  // namespace

std::u32string codePoints(std::string_view text) {
    std::u32string points;
    for (std::size_t at = 0; at < text.size();) {
        const auto [point, length] = decodeAt(text, at);
        points.push_back(point);
        at += length;
    }
    return points;
}

}  // namespace korvane::utf8
