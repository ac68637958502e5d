#pragma once

#include <string>

namespace korvane {

// The local date and time as "[yyyy/mm/dd hh:nn:ss]", the stamp of trace and log lines.
std::string bracketedTimestamp();

}  // namespace korvane
