#include "desktop/wayland/TextKeysyms.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

namespace korvane::wayland {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point starting at `at`, and how many bytes it takes; U+FFFD and one byte when the
// sequence is malformed, overlong, a surrogate or beyond U+10FFFF.
std::pair<char32_t, std::size_t> decodeAt(const std::string& text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead < 0x80             ? 1
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

std::vector<std::uint32_t> textKeysyms(const std::string& utf8) {
    std::vector<std::uint32_t> keysyms;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto [point, length] = decodeAt(utf8, at);
        at += length;
        if (point == U'\r' || point == U'\n') {
            if (point == U'\r' && at < utf8.size() && utf8[at] == '\n') {
                ++at;
            }
            keysyms.push_back(XKB_KEY_Return);
        } else if (point == U'\t') {
            keysyms.push_back(XKB_KEY_Tab);
        } else if (point >= 0x20 && point != 0x7F && !(point >= 0x80 && point < 0xA0)) {
            keysyms.push_back(xkb_utf32_to_keysym(point));
        }
    }
    return keysyms;
}

}  // namespace korvane::wayland
