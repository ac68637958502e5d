#include "platform/ProgramVersion.h"

namespace korvane {

const char* ProgramVersion() {
    return KORVANE_VERSION;
}

std::string VersionLine(std::string_view program) {
    return std::string(program) + " " + ProgramVersion() + "\n";
}

}  // namespace korvane
