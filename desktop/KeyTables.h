#pragma once

#include <cstdint>
#include <string>

namespace korvane {

// Keys are named by their Windows virtual-key codes, which every platform layer maps to its own.
inline constexpr int kVkNone = 0;
inline constexpr int kVkTab = 0x09;
inline constexpr int kVkReturn = 0x0D;
inline constexpr int kVkF2 = 0x71;

// The key code text from the phone as an integer: an optional sign and decimal digits, in the
// 32-bit range. False with "'<text>' は有効な整数値ではありません。" otherwise.
bool parseKeyCode(const std::string& pstrKbn, std::int32_t& code, std::string& error);

// The key pressed after a barcode: 1 Enter, 2 Tab, kVkNone for any other code.
int suffixKey(std::int32_t code);

// The key pressed before a barcode: 1 F2, kVkNone for any other code.
int prefixKey(std::int32_t code);

}  // namespace korvane
