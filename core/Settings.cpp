#include "core/Settings.h"

#include <algorithm>

#include "core/IntegerText.h"
#include "handling/TypedWindowKinds.h"
#include "platform/ProfileFile.h"
#include "platform/Trace.h"

namespace korvane {
namespace {

constexpr char kSetting[] = "Setting";
constexpr char kWindow[] = "Window";
constexpr char kOptions[] = "Options";
constexpr char kTypedKinds[] = "TypedWindowKinds";
// Bounds what a damaged Count makes the program remove.
constexpr std::int32_t kMostKindEntries = 10000;

std::int32_t readInteger(const ProfileFile& file, const char* section, const char* key,
                         std::int32_t fallback) {
    return parseIntegerText(file.readString(section, key, "")).value_or(fallback);
}

bool readBool(const ProfileFile& file, const char* section, const char* key, bool fallback) {
    return readInteger(file, section, key, fallback ? 1 : 0) != 0;
}

// A value that reads as it would be written keeps its line as it is: its blanks and quotes, and
// bytes that are not UTF-8 (CP932 typed by hand) all stay.
void writeValue(ProfileFile& file, const char* section, const char* key, const std::string& value) {
    if (file.find(section, key) != value) {
        file.writeString(section, key, value);
    }
}

// An option at its default is written only when the file names it already, so that a file
// written without ever touching the options holds the plain eight keys.
void writeOption(ProfileFile& file, const char* key, const std::string& value,
                 const std::string& fallback) {
    if (value != fallback || file.find(kOptions, key)) {
        writeValue(file, kOptions, key, value);
    }
}

std::string kindEntry(std::size_t number) {
    return "Kind" + std::to_string(number);
}

// A kind with blanks or a quote at an end is quoted, which reading takes off again.
void writeKind(ProfileFile& file, std::size_t number, const std::string& kind) {
    if (file.find(kTypedKinds, kindEntry(number)) == kind) {
        return;
    }
    const auto bare = [](char c) { return c != ' ' && c != '\t' && c != '"' && c != '\''; };
    const bool quoted = !kind.empty() && (!bare(kind.front()) || !bare(kind.back()));
    file.writeString(kTypedKinds, kindEntry(number), quoted ? '"' + kind + '"' : kind);
}

std::vector<std::string> readKinds(const ProfileFile& file) {
    const std::int32_t count = readInteger(file, kTypedKinds, "Count", 0);
    std::vector<std::string> kinds;
    for (std::int32_t i = 1; i <= std::min<std::int32_t>(count, TypedWindowKinds::kMostKinds);
         ++i) {
        if (std::optional<std::string> kind = file.find(kTypedKinds, kindEntry(i))) {
            kinds.push_back(*kind);
        }
    }
    return kinds;
}

// Written once there is a kind to keep, as the options are; an entry that stays keeps its line.
void writeKinds(ProfileFile& file, const std::vector<std::string>& kinds) {
    const std::optional<std::string> count = file.find(kTypedKinds, "Count");
    if (kinds.empty() && !count) {
        return;
    }
    writeValue(file, kTypedKinds, "Count", std::to_string(kinds.size()));
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        writeKind(file, i + 1, kinds[i]);
    }
    const std::int32_t old =
        std::min(parseIntegerText(count.value_or("0")).value_or(0), kMostKindEntries);
    for (std::int32_t i = static_cast<std::int32_t>(kinds.size()) + 1; i <= old; ++i) {
        file.removeKey(kTypedKinds, kindEntry(i));
    }
}

std::string flag(bool value) {
    return value ? "1" : "0";
}

void writeOptions(ProfileFile& file, const AppSettings& settings) {
    const AppSettings defaults;
    writeOption(file, "InputMethod", std::to_string(settings.inputMethod),
                std::to_string(defaults.inputMethod));
    writeOption(file, "KeyDelay", std::to_string(settings.keyDelayMs),
                std::to_string(defaults.keyDelayMs));
    writeOption(file, "RestoreClipboard", flag(settings.restoreClipboard),
                flag(defaults.restoreClipboard));
    writeOption(file, "DuplicateSeconds", std::to_string(settings.duplicateSeconds),
                std::to_string(defaults.duplicateSeconds));
    writeOption(file, "ScanHistory", flag(settings.scanHistory), flag(defaults.scanHistory));
    writeOption(file, "Language", settings.language, defaults.language);
    writeKinds(file, settings.typedWindowKinds);
}

std::optional<std::string> save(const ProfileFile& file, const char* what) {
    const std::filesystem::path& path = file.path();
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    if (auto reason = file.save()) {
        traceOutput(std::string(what) + ": " + path.string() + ": " + *reason);
        return path.string() + " に書き込めません";
    }
    return std::nullopt;
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
    s.inputMethod = readInteger(file, kOptions, "InputMethod", defaults.inputMethod);
    s.keyDelayMs = readInteger(file, kOptions, "KeyDelay", defaults.keyDelayMs);
    s.restoreClipboard = readBool(file, kOptions, "RestoreClipboard", defaults.restoreClipboard);
    s.duplicateSeconds = readInteger(file, kOptions, "DuplicateSeconds", defaults.duplicateSeconds);
    s.scanHistory = readBool(file, kOptions, "ScanHistory", defaults.scanHistory);
    s.language = file.readString(kOptions, "Language", defaults.language);
    s.typedWindowKinds = readKinds(file);
    return s;
}

std::optional<std::string> writeSettings(const std::filesystem::path& path,
                                         const AppSettings& settings) {
    ProfileFile file(path);
    file.load();
    writeValue(file, kSetting, "IpAddress", settings.ipAddress);
    writeValue(file, kSetting, "PortNo", settings.portNo);
    writeValue(file, kSetting, "AutoStart", flag(settings.autoStart));
    writeValue(file, kSetting, "Minimize", flag(settings.minimize));
    writeValue(file, kWindow, "Top", std::to_string(settings.top));
    writeValue(file, kWindow, "Left", std::to_string(settings.left));
    writeValue(file, kWindow, "Height", std::to_string(settings.height));
    writeValue(file, kWindow, "Width", std::to_string(settings.width));
    writeOptions(file, settings);
    return save(file, "writeSettings");
}

std::optional<std::string> writeOptions(const std::filesystem::path& path,
                                        const AppSettings& settings) {
    ProfileFile file(path);
    file.load();
    writeOptions(file, settings);
    return save(file, "writeOptions");
}

}  // namespace korvane
