#include "app/Version.h"

namespace korvane {

std::string GetVersionInfo() {
    return KORVANE_VERSION;
}

std::string VersionTitle() {
    return "KORVANE Server Ver" + GetVersionInfo();
}

}  // namespace korvane
