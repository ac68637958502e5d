#include "app/Settings.h"

#include "app/IntegerText.h"
#include "app/ProfileFile.h"
#include "platform/Trace.h"

namespace korvane {
namespace {

constexpr char kSetting[] = "Setting";
constexpr char kWindow[] = "Window";

std::int32_t ReadInteger(const TProfileFile& file, const char* section, const char* key,
                         std::int32_t fallback) {
    return ParseIntegerText(file.ReadString(section, key, "")).value_or(fallback);
}

bool ReadBool(const TProfileFile& file, const char* section, const char* key, bool fallback) {
    return ReadInteger(file, section, key, fallback ? 1 : 0) != 0;
}

}  // namespace

TAppSettings ReadSettings(const std::filesystem::path& pPath) {
    TProfileFile file(pPath);
    file.Load();
    TAppSettings defaults;
    TAppSettings s;
    s.IpAddress = file.ReadString(kSetting, "IpAddress", defaults.IpAddress);
    s.PortNo = file.ReadString(kSetting, "PortNo", defaults.PortNo);
    s.AutoStart = ReadBool(file, kSetting, "AutoStart", defaults.AutoStart);
    s.Minimize = ReadBool(file, kSetting, "Minimize", defaults.Minimize);
    s.Top = ReadInteger(file, kWindow, "Top", defaults.Top);
    s.Left = ReadInteger(file, kWindow, "Left", defaults.Left);
    s.Height = ReadInteger(file, kWindow, "Height", defaults.Height);
    s.Width = ReadInteger(file, kWindow, "Width", defaults.Width);
    return s;
}

bool WriteSettings(const std::filesystem::path& pPath, const TAppSettings& pSettings,
                   std::string& pstrError) {
    TProfileFile file(pPath);
    file.Load();
    file.WriteString(kSetting, "IpAddress", pSettings.IpAddress);
    file.WriteString(kSetting, "PortNo", pSettings.PortNo);
    file.WriteString(kSetting, "AutoStart", pSettings.AutoStart ? "1" : "0");
    file.WriteString(kSetting, "Minimize", pSettings.Minimize ? "1" : "0");
    file.WriteString(kWindow, "Top", std::to_string(pSettings.Top));
    file.WriteString(kWindow, "Left", std::to_string(pSettings.Left));
    file.WriteString(kWindow, "Height", std::to_string(pSettings.Height));
    file.WriteString(kWindow, "Width", std::to_string(pSettings.Width));
    std::error_code ignored;
    std::filesystem::create_directories(pPath.parent_path(), ignored);
    std::string reason;
    if (!file.Save(reason)) {
        traceOutput("WriteSettings: " + pPath.string() + ": " + reason);
        pstrError = pPath.string() + " に書き込めません";
        return false;
    }
    return true;
}

}  // namespace korvane
