#pragma once

#include <string>
#include <string_view>

// UTF-8 text of the program to and from the UTF-16 of Windows' W functions. Windows only.
namespace korvane::win32 {

// A sequence that is not UTF-8 becomes U+FFFD.
std::wstring widen(std::string_view utf8);
// An unpaired surrogate becomes U+FFFD.
std::string narrow(std::wstring_view utf16);

}  // namespace korvane::win32
