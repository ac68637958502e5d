#pragma once

#include <cstdint>
#include <string>

#include "desktop/DesktopResult.h"

namespace korvane {

// The keys the phone can ask for, by their Windows virtual-key codes, which every platform layer
// maps to its own.
enum class VirtualKey : int {
    NoKey = 0,
    Tab = 0x09,
    Return = 0x0D,
    F2 = 0x71,
};

// The key code text from the phone as an integer: an optional sign and decimal digits, in the
// 32-bit range. A BadKeyCode error "'<text>' は有効な整数値ではありません。" otherwise.
DesktopResult<std::int32_t> parseKeyCode(const std::string& text);

// The key pressed after a barcode: 1 Enter, 2 Tab, NoKey for any other code.
VirtualKey suffixKey(std::int32_t code);

// The key pressed before a barcode: 1 F2, NoKey for any other code.
VirtualKey prefixKey(std::int32_t code);

}  // namespace korvane
