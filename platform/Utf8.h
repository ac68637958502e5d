#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Character positions in UTF-8 text. Every character that CP932 can carry is in the BMP, so a
// count of code points equals a count of UTF-16 units for text that came off the wire.
namespace korvane::utf8 {

// Bytes of the code point that starts `rest` (1 for a stray or truncated byte).
std::size_t sequenceLength(std::string_view rest);

std::size_t length(std::string_view text);

// Up to `count` code points starting at code point `start` (0-based); empty past the end.
std::string_view mid(std::string_view text, std::size_t start,
                     std::size_t count = std::string_view::npos);

// The code points of the text. A malformed, overlong or surrogate sequence, or one beyond U+10FFFF,
// becomes one U+FFFD for its first byte, and decoding goes on at the next byte.
std::u32string codePoints(std::string_view text);

}  // namespace korvane::utf8
