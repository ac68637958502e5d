#pragma once

#include <string>

// Windows only.
namespace korvane::win32 {

// The system's text for an error code (GetLastError, or an HRESULT), without the line break it
// ends with; the code in hexadecimal, "0x80070005", when the system has no text for it.
std::string systemMessage(unsigned long code);

}  // namespace korvane::win32
