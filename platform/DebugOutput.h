#pragma once

#include <string>

namespace korvane {

// Writes one line where the platform's debug output goes: stderr, as visibleText shows it on one
// line, or the debugger on Windows (OutputDebugString). The trace's default sink; callers
// serialise.
void writeDebugLine(const std::string& line);

}  // namespace korvane
