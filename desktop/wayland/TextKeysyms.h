#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::wayland {

// The xkb keysyms that type `utf8`, one per character: a line break (LF, CR or CR LF) is Return,
// TAB is Tab, other control characters (C0, DEL, C1) are left out, and a malformed UTF-8 sequence
// is U+FFFD. Characters with a keysym of their own get it (é is eacute), the others the Unicode
// keysym 0x01000000 + code point.
std::vector<std::uint32_t> textKeysyms(const std::string& utf8);

}  // namespace korvane::wayland
