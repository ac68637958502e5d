#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace korvane {

// Light modules on each side of a Code 128 symbol: the least a scanner is owed.
inline constexpr int kCode128QuietZone = 10;

// The modules of the Code 128 symbol of text, left to right, true for a bar: the quiet zone, the
// start code, the characters, the checksum, the stop pattern and the quiet zone again. Letters
// and other characters go in code set B, runs of digits in code set C where that is shorter,
// switching where ZXing's writer switches, so that both give the same symbol. nullopt when text
// is empty or holds a character outside printable ASCII (space to '~'). Pure: any thread.
std::optional<std::vector<bool>> encodeCode128(std::string_view text);

}  // namespace korvane
