#pragma once

#include <string>

namespace korvane {

// A phone that the PC's user has approved for good, as the settings file keeps it.
struct ApprovedDevice {
    // The client key the phone sends with every request.
    std::string clientKey;
    // The address its latest request came from.
    std::string lastAddress;
    // When it was approved, "yyyy/mm/dd hh:nn:ss" local time.
    std::string approvedAt;
};

}  // namespace korvane
