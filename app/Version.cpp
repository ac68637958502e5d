#include "app/Version.h"

#include "platform/ProgramVersion.h"

namespace korvane {

std::string GetVersionInfo() {
    return ProgramVersion();
}

std::string VersionTitle() {
    return "KORVANE Server Ver" + GetVersionInfo();
}

}  // namespace korvane
