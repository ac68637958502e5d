#include "platform/DebugOutput.h"

#include <cstdio>

namespace korvane {

void writeDebugLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace korvane
