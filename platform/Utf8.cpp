#include "platform/Utf8.h"

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

}  // namespace korvane::utf8
