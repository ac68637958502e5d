#include "desktop/VirtualKey.h"

#include "platform/DecimalInt.h"

namespace korvane {

DesktopResult<std::int32_t> parseKeyCode(const std::string& text) {
    if (auto value = parseDecimal32(text)) {
        return *value;
    }
    return DesktopError(DesktopError::Kind::BadKeyCode, notAnIntegerText(text));
}

VirtualKey suffixKey(std::int32_t code) {
    switch (code) {
        case 1:
            return VirtualKey::Return;
        case 2:
            return VirtualKey::Tab;
        default:
            return VirtualKey::NoKey;
    }
}

VirtualKey prefixKey(std::int32_t code) {
    return code == 1 ? VirtualKey::F2 : VirtualKey::NoKey;
}

}  // namespace korvane
