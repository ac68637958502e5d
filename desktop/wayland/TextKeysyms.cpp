#include "desktop/wayland/TextKeysyms.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include "platform/Utf8.h"

namespace korvane::wayland {

std::vector<std::uint32_t> textKeysyms(const std::string& utf8) {
    std::vector<std::uint32_t> keysyms;
    const std::u32string points = utf8::codePoints(utf8);
    for (std::size_t at = 0; at < points.size(); ++at) {
        const char32_t point = points[at];
        if (point == U'\r' || point == U'\n') {
            if (point == U'\r' && at + 1 < points.size() && points[at + 1] == U'\n') {
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
