#include "core/Settings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "platform/AppPaths.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

using test::readAll;
using test::TempFolder;
using test::writeAll;

TEST(Settings, FirstRunGivesDefaultsAndTheFirstSaveWritesAllEightKeys) {
    TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    AppSettings defaults = readSettings(path);
    EXPECT_EQ(defaults.ipAddress, "");
    EXPECT_EQ(defaults.portNo, "65001");
    EXPECT_FALSE(defaults.autoStart);
    EXPECT_FALSE(defaults.minimize);
    EXPECT_EQ(defaults.top, 0);
    EXPECT_EQ(defaults.left, 0);
    EXPECT_EQ(defaults.height, 600);
    EXPECT_EQ(defaults.width, 800);

    ASSERT_EQ(writeSettings(path, defaults), std::nullopt);
    EXPECT_EQ(readAll(path),
              "[Setting]\nIpAddress=\nPortNo=65001\nAutoStart=0\nMinimize=0\n"
              "[Window]\nTop=0\nLeft=0\nHeight=600\nWidth=800\n");
}

TEST(Settings, RoundTripKeepsWhatTheProgramDoesNotKnow) {
    TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    writeAll(path,
             "; written by hand\r\n"
             "[setting]\r\n"
             "portno=1234\r\n"
             "Theme=dark\r\n"
             "\r\n"
             "[Other]\r\n"
             "Key=kept\r\n");
    AppSettings s = readSettings(path);
    EXPECT_EQ(s.portNo, "1234");

    s.ipAddress = "192.168.0.5";
    s.portNo = " 065001";
    s.autoStart = true;
    s.top = -20;
    s.width = 1024;
    ASSERT_EQ(writeSettings(path, s), std::nullopt);
    // The key's line is replaced where it stood, new keys follow the section's last entry, and
    // the file keeps its CR LF line ends.
    EXPECT_EQ(readAll(path),
              "; written by hand\r\n"
              "[setting]\r\n"
              "PortNo= 065001\r\n"
              "Theme=dark\r\n"
              "IpAddress=192.168.0.5\r\n"
              "AutoStart=1\r\n"
              "Minimize=0\r\n"
              "\r\n"
              "[Other]\r\n"
              "Key=kept\r\n"
              "[Window]\r\n"
              "Top=-20\r\n"
              "Left=0\r\n"
              "Height=600\r\n"
              "Width=1024\r\n");
    AppSettings again = readSettings(path);
    EXPECT_EQ(again.ipAddress, "192.168.0.5");
    EXPECT_EQ(again.portNo, "065001");  // surrounding blanks are not part of a value
    EXPECT_TRUE(again.autoStart);
    EXPECT_EQ(again.top, -20);
    EXPECT_EQ(again.width, 1024);
}

// A value the program writes back as it read it keeps its line byte for byte: CP932 bytes, blanks
// and quotes; only a changed value's line is rewritten.
TEST(Settings, ValuesWrittenBackUnchangedKeepTheirLines) {
    TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    const std::string setting =
        "[Setting]\r\nIpAddress = \"192.0.2.5\"\r\n"
        "PortNo=\x82\x55\x82\x54\x82\x4f\x82\x4f\x82\x50\r\n"
        "AutoStart=1\r\nMinimize=0\r\n";
    const std::string options = "[Options]\r\nLanguage=\x83\x65\x83\x58\x83\x67\r\n";
    writeAll(path,
             setting + "[Window]\r\nTop=5\r\nLeft=6\r\nHeight=600\r\nWidth=800\r\n" + options);
    AppSettings s = readSettings(path);
    s.top = 7;
    ASSERT_EQ(writeSettings(path, s), std::nullopt);
    EXPECT_EQ(readAll(path), setting +
                                 "[Window]\r\nTop=7\r\nLeft=6\r\nHeight=600\r\n"
                                 "Width=800\r\n" +
                                 options);
    ASSERT_EQ(writeOptions(path, s), std::nullopt);
    EXPECT_NE(readAll(path).find(options), std::string::npos);
}

// Whether a key is there is asked of the file, not guessed from a value no one would type: any
// value, a control character included, is written where the key is missing.
TEST(Settings, AnyValueIsWrittenWhereTheKeyIsMissing) {
    TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    writeAll(path, "[Setting]\r\n");
    AppSettings s;
    for (const std::string value : {"", "\x01", "192.0.2.5"}) {
        SCOPED_TRACE(value);
        s.ipAddress = value;
        s.language = value;
        ASSERT_EQ(writeSettings(path, s), std::nullopt);
        ASSERT_EQ(writeOptions(path, s), std::nullopt);
        EXPECT_EQ(readSettings(path).ipAddress, value);
        EXPECT_EQ(readSettings(path).language, value);
    }
}

TEST(Settings, OptionsAreWrittenOnceTheyLeaveTheirDefaultsAndReadBack) {
    TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    AppSettings s = readSettings(path);
    EXPECT_EQ(s.inputMethod, 0);
    EXPECT_EQ(s.keyDelayMs, 0);
    EXPECT_FALSE(s.restoreClipboard);
    EXPECT_EQ(s.duplicateSeconds, 0);
    EXPECT_FALSE(s.scanHistory);
    EXPECT_EQ(s.language, "");

    s.inputMethod = 1;
    s.keyDelayMs = 15;
    s.duplicateSeconds = 3;
    s.language = "en";
    ASSERT_EQ(writeSettings(path, s), std::nullopt);
    EXPECT_TRUE(readAll(path).ends_with(
        "[Options]\nInputMethod=1\nKeyDelay=15\nDuplicateSeconds=3\nLanguage=en\n"));
    AppSettings again = readSettings(path);
    EXPECT_EQ(again.inputMethod, 1);
    EXPECT_EQ(again.keyDelayMs, 15);
    EXPECT_FALSE(again.restoreClipboard);
    EXPECT_EQ(again.duplicateSeconds, 3);
    EXPECT_EQ(again.language, "en");

    // Back to a default: a key the file has is kept, with the default value.
    again.inputMethod = 0;
    again.scanHistory = true;
    ASSERT_EQ(writeSettings(path, again), std::nullopt);
    EXPECT_TRUE(readAll(path).ends_with(
        "[Options]\nInputMethod=0\nKeyDelay=15\nDuplicateSeconds=3\nLanguage=en\n"
        "ScanHistory=1\n"));
}

// The typed window kinds keep a section of their own, written once there is one to keep: a kind
// with blanks or quotes at an end comes back whole, an entry that stays keeps its line as the user
// wrote it, and entries beyond a shorter list go.
TEST(Settings, TypedWindowKindsAreKeptInASectionOfTheirOwn) {
    TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    AppSettings s;
    ASSERT_EQ(writeOptions(path, s), std::nullopt);
    EXPECT_EQ(readAll(path), "");

    const std::vector<std::string> kinds = {"XTerm", " padded ", "\"quoted\"", "'",
                                            "org.gnome.gedit"};
    s.typedWindowKinds = kinds;
    ASSERT_EQ(writeSettings(path, s), std::nullopt);
    EXPECT_NE(readAll(path).find("[TypedWindowKinds]\nCount=5\nKind1=XTerm\nKind2=\" padded \"\n"
                                 "Kind3=\"\"quoted\"\"\nKind4=\"'\"\nKind5=org.gnome.gedit\n"),
              std::string::npos)
        << readAll(path);
    EXPECT_EQ(readSettings(path).typedWindowKinds, kinds);

    writeAll(path,
             "[TypedWindowKinds]\r\nCount = 3\r\nKind1 = \"XTerm\"\r\nKind2=B\r\nKind3=C\r\n"
             "; the user's note\r\n");
    s = readSettings(path);
    EXPECT_EQ(s.typedWindowKinds, (std::vector<std::string>{"XTerm", "B", "C"}));
    s.typedWindowKinds = {"XTerm", "D"};
    ASSERT_EQ(writeOptions(path, s), std::nullopt);
    EXPECT_EQ(readAll(path),
              "[TypedWindowKinds]\r\nCount=2\r\nKind1 = \"XTerm\"\r\nKind2=D\r\n"
              "; the user's note\r\n");
    s.typedWindowKinds.clear();
    ASSERT_EQ(writeOptions(path, s), std::nullopt);
    EXPECT_EQ(readSettings(path).typedWindowKinds, std::vector<std::string>{});
    EXPECT_EQ(readAll(path), "[TypedWindowKinds]\r\nCount=0\r\n; the user's note\r\n");

    // A damaged count reads no more than the list may hold.
    writeAll(path, "[TypedWindowKinds]\nCount=99999\nKind1=A\nKind2=B\n");
    EXPECT_EQ(readSettings(path).typedWindowKinds, (std::vector<std::string>{"A", "B"}));
}

TEST(Settings, ValueForms) {
    TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    writeAll(path,
             "[SETTING]\n"
             "  IPADDRESS = \"10.0.0.5\" \n"
             "PortNo=\n"
             "AutoStart=2\n"
             "Minimize=abc\n"
             "[window]\n"
             "Top=$20\n"
             "Left= -0x10\n"
             "Height=abc\n"
             "Width=900px\n"
             "[Window]\n"
             "Height=1\n");
    AppSettings s = readSettings(path);
    EXPECT_EQ(s.ipAddress, "10.0.0.5");
    EXPECT_EQ(s.portNo, "");  // present but empty is not missing
    EXPECT_TRUE(s.autoStart);
    EXPECT_FALSE(s.minimize);
    EXPECT_EQ(s.top, 32);
    EXPECT_EQ(s.left, -16);
    EXPECT_EQ(s.height, 600);  // the first section of a name counts
    EXPECT_EQ(s.width, 800);
}

TEST(Settings, TextValuesAreCutAt2047Characters) {
    TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    std::string longValue;
    for (int i = 0; i < 2100; ++i) {
        longValue += "あ";
    }
    writeAll(path, "[Setting]\nPortNo=" + longValue + "\n");
    std::string expected;
    for (int i = 0; i < 2047; ++i) {
        expected += "あ";
    }
    EXPECT_EQ(readSettings(path).portNo, expected);
}

TEST(Settings, AFailedWriteLeavesTheOldFileAndNamesThePath) {
    // Both the save at exit and the options' own save replace the file whole or not at all.
    using Writer = std::optional<std::string> (*)(const std::filesystem::path&, const AppSettings&);
    for (Writer write : {Writer{&writeSettings}, Writer{&writeOptions}}) {
        TempFolder folder;
        const auto path = folder / "korvane-server.ini";
        std::string old = "[Setting]\nPortNo=1\n";
        for (int i = 0; i < 200; ++i) {
            old += "; a line the user wrote, long enough to need more than the space left\n";
        }
        writeAll(path, old);

        // A full disk: writes past 4 KB fail.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 4096;
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        AppSettings options;
        options.scanHistory = true;
        const std::optional<std::string> failure = write(path, options);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        EXPECT_EQ(failure, path.string() + " に書き込めません");
        EXPECT_EQ(readAll(path), old);
        int files = 0;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(folder.path())) {
            ++files;
        }
        EXPECT_EQ(files, 1) << "the temporary file was left behind";
    }
}

TEST(Settings, WritingTheOptionsKeepsWhatTheFileGainedMeanwhile) {
    TempFolder folder;
    const auto path = folder / "korvane-server.ini";
    writeAll(path,
             "[Setting]\nIpAddress=192.0.2.5\nPortNo=1234\n[Options]\nScanHistory=1\n"
             "[Devices]\nCount=1\nDevice1=SHOP-1 192.0.2.7 2026/01/02 03:04:05\n");
    AppSettings options;  // as read before the file gained its device: other [Setting] keys
    options.duplicateSeconds = 60;
    options.scanHistory = false;
    ASSERT_EQ(writeOptions(path, options), std::nullopt);
    EXPECT_EQ(readAll(path),
              "[Setting]\nIpAddress=192.0.2.5\nPortNo=1234\n"
              "[Options]\nScanHistory=0\nDuplicateSeconds=60\n"
              "[Devices]\nCount=1\nDevice1=SHOP-1 192.0.2.7 2026/01/02 03:04:05\n");
}

TEST(Settings, AFolderNobodyMayWriteToRefusesTheSave) {
    // Not even root may create files in /proc/self.
    const std::filesystem::path path = "/proc/self/korvane-server.ini";
    EXPECT_EQ(writeSettings(path, AppSettings{}), "/proc/self/korvane-server.ini に書き込めません");
}

class AppPathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (mHome / "config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (mHome / "runtime").c_str(), 1);
    }
    TempFolder mHome;
};

TEST_F(AppPathsTest, BesideAWritableProgram) {
    const auto program = mHome / "korvane-server";
    EXPECT_EQ(settingsFilePath(program), mHome / "korvane-server.ini");
    EXPECT_EQ(captureFilePath(program), mHome / "korvane-server.png");
}

TEST_F(AppPathsTest, InTheUsersFoldersForAProgramInAReadOnlyFolder) {
    const std::filesystem::path program = "/proc/self/korvane-server";
    EXPECT_EQ(settingsFilePath(program), mHome / "config/korvane-server/korvane-server.ini");
    EXPECT_EQ(captureFilePath(program), mHome / "runtime/korvane-server/korvane-server.png");
    EXPECT_TRUE(std::filesystem::is_directory(mHome / "runtime/korvane-server"));

    unsetenv("XDG_RUNTIME_DIR");
    setenv("XDG_CACHE_HOME", (mHome / "cache").c_str(), 1);
    EXPECT_EQ(captureFilePath(program), mHome / "cache/korvane-server/korvane-server.png");
}

TEST_F(AppPathsTest, InTheUsersFoldersForAnInstalledCopyEvenWhenRootRunsIt) {
    for (const char* program : {"/usr/bin/korvane-server", "/usr/local/bin/korvane-server"}) {
        SCOPED_TRACE(program);
        EXPECT_EQ(settingsFilePath(program), mHome / "config/korvane-server/korvane-server.ini");
        EXPECT_EQ(captureFilePath(program), mHome / "runtime/korvane-server/korvane-server.png");
    }
}

// A settings file in a folder where no file can be created could never be saved: the user's own
// folder is used instead. Root may write anywhere, so the check runs as an unprivileged user in
// a child process.
TEST_F(AppPathsTest, AnExistingFileInAReadOnlyFolderIsNotUsed) {
    const auto folder = mHome / "installed";
    std::filesystem::create_directory(folder);
    writeAll(folder / "korvane-server.ini", "[Setting]\n");
    std::filesystem::permissions(mHome.path(), std::filesystem::perms(0755));
    std::filesystem::permissions(folder, std::filesystem::perms(0555));
    const auto program = folder / "korvane-server";
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
                std::exit(2);
            }
            bool settingsElsewhere = settingsFilePath(program).parent_path() != folder;
            bool captureElsewhere = captureFilePath(program).parent_path() != folder;
            std::exit(settingsElsewhere && captureElsewhere ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace korvane
