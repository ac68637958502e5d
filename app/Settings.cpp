#include "app/Settings.h"

#include "app/IntegerText.h"
#include "app/ProfileFile.h"
#include "platform/Trace.h"

namespace korvane {
namespace {

constexpr char kSetting[] = "Setting";
constexpr char kWindow[] = "Window";

std::int32_t readInteger(const ProfileFile& file, const char* section, const char* key,
                         std::int32_t fallback) {
    return parseIntegerText(file.readString(section, key, "")).value_or(fallback);
}

bool readBool(const ProfileFile& file, const char* section, const char* key, bool fallback) {
    return readInteger(file, section, key, fallback ? 1 : 0) != 0;
}

}  // namespace

AppSettings readSettings(const std::filesystem::path& path) {
    ProfileFile file(path);
    file.load();
    AppSettings defaults;
    AppSettings s;
    s.ipAddress = file.readString(kSetting, "IpAddress", defaults.ipAddress);
    s.portNo = file.readString(kSetting, "PortNo", defaults.portNo);
    s.autoStart = readBool(file, kSetting, "AutoStart", defaults.autoStart);
    s.minimize = readBool(file, kSetting, "Minimize", defaults.minimize);
    s.top = readInteger(file, kWindow, "Top", defaults.top);
    s.left = readInteger(file, kWindow, "Left", defaults.left);
    s.height = readInteger(file, kWindow, "Height", defaults.height);
    s.width = readInteger(file, kWindow, "Width", defaults.width);
    return s;
}

bool writeSettings(const std::filesystem::path& path, const AppSettings& settings,
                   std::string& error) {
    ProfileFile file(path);
    file.load();
    file.writeString(kSetting, "IpAddress", settings.ipAddress);
    file.writeString(kSetting, "PortNo", settings.portNo);
    file.writeString(kSetting, "AutoStart", settings.autoStart ? "1" : "0");
    file.writeString(kSetting, "Minimize", settings.minimize ? "1" : "0");
    file.writeString(kWindow, "Top", std::to_string(settings.top));
    file.writeString(kWindow, "Left", std::to_string(settings.left));
    file.writeString(kWindow, "Height", std::to_string(settings.height));
    file.writeString(kWindow, "Width", std::to_string(settings.width));
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::string reason;
    if (!file.save(reason)) {
        traceOutput("writeSettings: " + path.string() + ": " + reason);
        error = path.string() + " に書き込めません";
        return false;
    }
    return true;
}

}  // namespace korvane
