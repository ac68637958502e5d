#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace korvane {

// What the program keeps between runs; the defaults are those of a first run.
struct TAppSettings {
    std::string IpAddress;
    std::string PortNo = "65001";
    bool AutoStart = false;
    bool Minimize = false;
    std::int32_t Top = 0;
    std::int32_t Left = 0;
    std::int32_t Height = 600;
    std::int32_t Width = 800;
};

// A missing file or key, or a number that does not parse, gives that key's default.
TAppSettings ReadSettings(const std::filesystem::path& pPath);

// Writes all keys at once, keeping whatever else the file holds. On failure the old file is left
// as it was and pstrError holds "<path> に書き込めません".
bool WriteSettings(const std::filesystem::path& pPath, const TAppSettings& pSettings,
                   std::string& pstrError);

}  // namespace korvane
