#include "platform/DebugOutput.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace korvane {

void writeDebugLine(const std::string& line) {
    ::OutputDebugStringW(win32::widen(line + "\n").c_str());
}

}  // namespace korvane
