#include "core/Version.h"

#include "platform/ProgramVersion.h"

namespace korvane {

std::string versionInfo() {
    return programVersion();
}

std::string versionTitle() {
    return "KORVANE Server Ver" + versionInfo();
}

}  // namespace korvane
