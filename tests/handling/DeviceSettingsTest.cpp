#include "handling/DeviceSettings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace korvane {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// Approved devices go to the settings file beside what it holds, and come back whole whatever
// their keys hold; a device removed leaves no entry behind.
TEST(DeviceSettings, DevicesRoundTripBesideTheOtherSettings) {
    const fs::path folder =
        fs::temp_directory_path() / ("korvane-devices-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path path = folder / "korvane-server.ini";
    std::ofstream(path) << "[Setting]\nPortNo=65001\n";
    EXPECT_TRUE(readDeviceSettings(path).approvalOn) << "on unless turned off";
    EXPECT_TRUE(readDeviceSettings(path).devices.empty());

    const std::vector<ApprovedDevice> devices = {
        {"PHONE-1", "192.168.1.20", "2024/05/01 09:30:00"},
        {" lead and \"quote\" 100%", "192.168.1.21", "2024/05/02 10:00:00"},
        {"日本\t=[x]", "10.0.0.3", "2024/05/03 11:00:00"},
        // A phone may send no key at all: approved, it stays approved, and its address never
        // turns into a key.
        {"", "192.168.1.22", "2024/05/04 12:00:00"},
        {"%", "192.168.1.23", "2024/05/05 13:00:00"},
    };
    ASSERT_EQ(writeApprovedDevices(path, devices), std::nullopt);
    const DeviceSettings read = readDeviceSettings(path);
    ASSERT_EQ(read.devices.size(), devices.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        EXPECT_EQ(read.devices[i].clientKey, devices[i].clientKey);
        EXPECT_EQ(read.devices[i].lastAddress, devices[i].lastAddress);
        EXPECT_EQ(read.devices[i].approvedAt, devices[i].approvedAt);
    }
    EXPECT_NE(readAll(path).find("PortNo=65001"), std::string::npos);

    ASSERT_EQ(writeApprovedDevices(path, {devices[1]}), std::nullopt);
    EXPECT_EQ(readDeviceSettings(path).devices.size(), 1u);
    EXPECT_EQ(readAll(path).find("Device2"), std::string::npos);

    std::ofstream(path, std::ios::app) << "[Setting]\nDeviceApproval=0\n";
    EXPECT_FALSE(readDeviceSettings(path).approvalOn);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace korvane
