#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// Integer text as the settings file and the port box accept it: leading spaces, one sign, decimal
// digits or hexadecimal digits after "$", "x" or "0x" (x in either case). Anything else, an empty
// text or a value outside 32 bits gives no value.
std::optional<std::int32_t> parseIntegerText(std::string_view text);

// The message for a text parseIntegerText refused: "''abc'' は整数ではありません".
std::string notAnIntegerMessage(std::string_view text);

}  // namespace korvane
