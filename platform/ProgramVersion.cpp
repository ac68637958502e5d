#include "platform/ProgramVersion.h"

namespace korvane {

const char* programVersion() {
    return KORVANE_VERSION;
}

std::string versionLine(std::string_view program) {
    return std::string(program) + " " + programVersion() + "\n";
}

}  // namespace korvane
