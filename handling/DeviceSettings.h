#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "handling/ApprovedDevice.h"

namespace korvane {

// Device approval as the settings file keeps it, for the window and the console host alike:
// "[Setting] DeviceApproval=0" turns approval off (missing or any other number: on), and
// "[Devices]" holds "Count=N" and "Device1" to "DeviceN", each "key address date" with the key's
// '%', blanks, quotes and control characters written as %XX, and an empty key as a lone "%".
struct DeviceSettings {
    bool approvalOn = true;
    std::vector<ApprovedDevice> devices;
};

// A missing file, section or key reads as approval on with no device; a malformed entry is left
// out.
DeviceSettings readDeviceSettings(const std::filesystem::path& path);

// Replaces the [Devices] section's entries, keeping whatever else the file holds. On failure the
// old file is left as it was and the text says why.
std::optional<std::string> writeApprovedDevices(const std::filesystem::path& path,
                                                const std::vector<ApprovedDevice>& devices);

}  // namespace korvane
