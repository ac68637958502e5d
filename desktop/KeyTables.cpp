#include "desktop/KeyTables.h"

#include <charconv>

namespace korvane {

bool parseKeyCode(const std::string& pstrKbn, std::int32_t& code, std::string& error) {
    const char* first = pstrKbn.data();
    const char* last = first + pstrKbn.size();
    // from_chars takes a minus but no plus; a plus must still be followed by a digit.
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-') {
        ++first;
    }
    std::int32_t value = 0;
    auto [end, ec] = std::from_chars(first, last, value, 10);
    if (first == last || ec != std::errc() || end != last) {
        error = "'" + pstrKbn + "' は有効な整数値ではありません。";
        return false;
    }
    code = value;
    return true;
}

int suffixKey(std::int32_t code) {
    switch (code) {
        case 1:
            return kVkReturn;
        case 2:
            return kVkTab;
        default:
            return kVkNone;
    }
}

int prefixKey(std::int32_t code) {
    return code == 1 ? kVkF2 : kVkNone;
}

}  // namespace korvane
