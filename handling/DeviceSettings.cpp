#include "handling/DeviceSettings.h"

#include <algorithm>

#include "platform/DecimalInt.h"
#include "platform/ProfileFile.h"

namespace korvane {
namespace {

constexpr char kSetting[] = "Setting";
constexpr char kDevices[] = "Devices";
// More than any shop has phones; bounds what a damaged file can make the program read.
constexpr std::int32_t kMaxDevices = 10000;

// What the file holds for an empty key: an empty field would vanish between the blanks (and the
// line's leading blank with it), making the address the key. Escaping never writes a lone '%'.
constexpr char kEmptyKey[] = "%";

std::string escapeKey(const std::string& key) {
    if (key.empty()) {
        return kEmptyKey;
    }
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (char c : key) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '%' || c == '"' || c == '\'') {
            text += '%';
            text += kDigits[byte >> 4];
            text += kDigits[byte & 0xF];
        } else {
            text += c;
        }
    }
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool unescapeKey(std::string_view text, std::string& key) {
    key.clear();
    if (text == kEmptyKey) {
        return true;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            key += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        const int high = hexDigit(text[i + 1]);
        const int low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        key += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::string entryName(std::int32_t number) {
    return "Device" + std::to_string(number);
}

}  // namespace

DeviceSettings readDeviceSettings(const std::filesystem::path& path) {
    ProfileFile file(path);
    file.load();
    DeviceSettings settings;
    settings.approvalOn = file.readString(kSetting, "DeviceApproval", "1") != "0";
    const std::int32_t count = parseDecimal32(file.readString(kDevices, "Count", "0")).value_or(0);
    for (std::int32_t i = 1; i <= std::min(count, kMaxDevices); ++i) {
        const std::string entry = file.readString(kDevices, entryName(i), "");
        const std::size_t first = entry.find(' ');
        const std::size_t second = entry.find(' ', first == std::string::npos ? first : first + 1);
        ApprovedDevice device;
        if (second == std::string::npos ||
            !unescapeKey(std::string_view(entry).substr(0, first), device.clientKey)) {
            continue;
        }
        device.lastAddress = entry.substr(first + 1, second - first - 1);
        device.approvedAt = entry.substr(second + 1);
        settings.devices.push_back(std::move(device));
    }
    return settings;
}

std::optional<std::string> writeApprovedDevices(const std::filesystem::path& path,
                                                const std::vector<ApprovedDevice>& devices) {
    ProfileFile file(path);
    file.load();
    const std::int32_t old = parseDecimal32(file.readString(kDevices, "Count", "0")).value_or(0);
    for (std::int32_t i = 1; i <= std::min(old, kMaxDevices); ++i) {
        file.removeKey(kDevices, entryName(i));
    }
    file.writeString(kDevices, "Count", std::to_string(devices.size()));
    std::int32_t number = 0;
    for (const ApprovedDevice& device : devices) {
        file.writeString(
            kDevices, entryName(++number),
            escapeKey(device.clientKey) + " " + device.lastAddress + " " + device.approvedAt);
    }
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    return file.save();
}

}  // namespace korvane
