#include "desktop/KeyTables.h"

#include "platform/DecimalInt.h"

namespace korvane {

bool parseKeyCode(const std::string& pstrKbn, std::int32_t& code, std::string& error) {
    auto value = parseDecimal32(pstrKbn);
    if (!value) {
        error = notAnIntegerText(pstrKbn);
        return false;
    }
    code = *value;
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
