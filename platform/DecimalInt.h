#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// A decimal integer as the phone and the wire write it: an optional sign (when `allowSign`) and
// one or more ASCII digits, within the signed 32-bit range. Nothing else: no blanks, no prefix.
std::optional<std::int32_t> parseDecimal32(std::string_view text, bool allowSign = true);

// The message for a text that is not such an integer. The text comes from the network, so its
// control characters are shown as '?' rather than carried into a log line.
std::string notAnIntegerText(std::string_view text);

}  // namespace korvane
