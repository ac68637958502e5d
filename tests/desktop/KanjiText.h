#pragma once

#include <string>

namespace korvane::test {

// `count` different kanji from `first` on (CJK unified ideographs, U+4E00 to U+9FFF), with "Ab"
// after every `latinEvery`-th one when it is above 0: more characters than a keyboard has spare
// keys, so that typing them gives the spare keys new characters again and again.
inline std::string differentKanji(char32_t first, int count, int latinEvery = 0) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const char32_t point = first + static_cast<char32_t>(i);
        text += static_cast<char>(0xE0 | (point >> 12));
        text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (point & 0x3F));
        if (latinEvery > 0 && (i + 1) % latinEvery == 0) {
            text += "Ab";
        }
    }
    return text;
}

}  // namespace korvane::test
