// Settings put beside a program installed where the user may not write: the user's own settings
// file starts from them, once, and saves go there.
#include "core/SettingsPlace.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "core/Settings.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

using test::readAll;
using test::TempFolder;
using test::writeAll;

// Devices, comments and a CP932 value come over as they are.
const std::string kInstalled =
    "; put here by the installer\r\n[Setting]\r\nIpAddress=192.0.2.5\r\nPortNo=1234\r\n"
    "Memo=\x83\x65\x83\x58\x83\x67\r\n[Devices]\r\nCount=1\r\n"
    "Device1=SHOP-1 192.0.2.7 2026/01/02 03:04:05\r\n";

TEST(SettingsPlace, TheUsersFileStartsFromTheOneBesideTheProgramOnce) {
    TempFolder folder;
    const auto beside = folder / "installed.ini";
    const auto own = folder / "config" / "korvane-server" / "korvane-server.ini";
    writeAll(beside, kInstalled);

    const SettingsPlace first = placeSettings(beside, own);
    EXPECT_EQ(first.file, own);
    EXPECT_EQ(first.startedFrom, beside);
    EXPECT_EQ(readAll(own), kInstalled);
    EXPECT_EQ(readSettings(own).portNo, "1234");

    AppSettings changed = readSettings(own);
    changed.portNo = "4321";
    ASSERT_EQ(writeSettings(own, changed), std::nullopt);
    EXPECT_EQ(readAll(beside), kInstalled) << "saves go to the user's file";

    const SettingsPlace again = placeSettings(beside, own);
    EXPECT_EQ(again.file, own);
    EXPECT_TRUE(again.startedFrom.empty()) << "said once, on the run that took the settings over";
    EXPECT_EQ(readSettings(own).portNo, "4321");
}

TEST(SettingsPlace, NothingIsCopiedWhenThereIsNothingToTakeOver) {
    TempFolder folder;
    const auto beside = folder / "korvane-server.ini";
    const auto own = folder / "own.ini";
    struct Case {
        const char* what;
        bool besideExists;
        bool ownExists;
        std::filesystem::path file;
    };
    const Case cases[] = {
        {"the settings are kept beside the program", true, false, beside},
        {"no file beside the program", false, false, own},
        {"the user's file exists already", true, true, own},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(beside);
        std::filesystem::remove(own);
        if (c.besideExists) {
            writeAll(beside, "[Setting]\nPortNo=1234\n");
        }
        if (c.ownExists) {
            writeAll(own, "[Setting]\nPortNo=7\n");
        }
        const SettingsPlace place = placeSettings(beside, c.file);
        EXPECT_EQ(place.file, c.file) << c.what;
        EXPECT_TRUE(place.startedFrom.empty()) << c.what;
        EXPECT_EQ(std::filesystem::exists(own), c.ownExists) << c.what;
        if (c.ownExists) {
            EXPECT_EQ(readAll(own), "[Setting]\nPortNo=7\n") << c.what;
        }
    }
}

// The whole road with the program's own decision that its folder cannot take a save: a folder
// made read-only (0555). Root may write there anyway, so the check runs as an unprivileged user
// in a child process, with a config folder that user may write.
TEST(SettingsPlace, AProgramInAReadOnlyFolderStartsFromTheSettingsBesideIt) {
    TempFolder home;
    const auto installed = home / "installed";
    const auto config = home / "config";
    std::filesystem::create_directory(installed);
    std::filesystem::create_directory(config);
    writeAll(installed / "korvane-server.ini", kInstalled);
    std::filesystem::permissions(home.path(), std::filesystem::perms(0755));
    std::filesystem::permissions(installed, std::filesystem::perms(0555));
    std::filesystem::permissions(config, std::filesystem::perms(0777));
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    const auto own = config / "korvane-server" / "korvane-server.ini";
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
                std::exit(2);
            }
            const SettingsPlace place = placeProgramSettings(installed / "korvane-server");
            if (place.file != own || place.startedFrom != installed / "korvane-server.ini") {
                std::exit(3);
            }
            AppSettings settings = readSettings(place.file);
            if (settings.ipAddress != "192.0.2.5" || settings.portNo != "1234") {
                std::exit(4);
            }
            settings.portNo = "4321";
            if (writeSettings(place.file, settings)) {
                std::exit(5);
            }
            std::exit(readAll(installed / "korvane-server.ini") == kInstalled ? 0 : 6);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(readSettings(own).portNo, "4321");
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace korvane
