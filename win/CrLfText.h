#pragma once

#include <string>
#include <string_view>

namespace korvane {

// The program's UTF-8 text with each of its line breaks (a lone CR, as the program's texts break
// lines, LF, or CR LF) as the CR LF that EDIT controls and message boxes show as one.
std::wstring crLfText(std::string_view utf8);

}  // namespace korvane
