#include "platform/DebugOutput.h"

#include <cstdio>

#include "platform/VisibleText.h"

namespace korvane {

void writeDebugLine(const std::string& line) {
    // stderr is often a terminal, and a trace may carry a peer's bytes.
    std::fprintf(stderr, "%s\n", visibleText(line, LineBreaks::Mark).c_str());
}

}  // namespace korvane
