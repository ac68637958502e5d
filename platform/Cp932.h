#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Shift-JIS as Windows code page 932. Text inside the program is UTF-8; the wire carries CP932.
// Conversions never fail: a character CP932 cannot hold is encoded as '?', the code page's
// default character, and a byte sequence that is not CP932 decodes to U+FFFD.
class Cp932 {
  public:
    static std::string encode(std::string_view utf8);
    static std::string decode(std::string_view cp932);
    // Number of bytes `utf8` takes once encoded.
    static std::size_t byteCount(std::string_view utf8);
};

}  // namespace korvane
