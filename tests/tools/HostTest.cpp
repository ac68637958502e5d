// korvane-host in a child process, on the X server the tests run under, driven by korvane-phone:
// it listens where the settings file says unless the command line says otherwise, applies the
// file's options as the window program does, reads the approved devices from it and, with no
// window to ask in, refuses any other phone.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include "handling/DeviceApproval.h"
#include "tests/support/Loopback.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

std::string phone(std::uint16_t port, const std::string& args) {
    const std::string command =
        std::string(KORVANE_PHONE) + " --port " + std::to_string(port) + " " + args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    ::pclose(pipe);
    return output;
}

std::string replaced(std::string text, const std::string& mark, const std::string& by) {
    for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at + by.size())) {
        text.replace(at, mark.size(), by);
    }
    return text;
}

// korvane-host with a settings file of the test's, listening on a free port of 127.0.0.1 (given
// on the command line unless the test gives other arguments), its log in a file. "{port}" in the
// settings and the arguments stands for that port. Its single-instance lock lives in a runtime
// folder of its own, so that no other copy on this machine stands in its way; `inChild`, given
// the test's folder, may change the child's surroundings before korvane-host starts.
class Host {
  public:
    using ChildSetup = std::function<void(const fs::path& folder)>;

    explicit Host(const std::string& settings,
                  std::vector<std::string> args = {"--address", "127.0.0.1", "--port", "{port}"},
                  ChildSetup inChild = {})
        : mInChild(std::move(inChild)),
          mFolder(fs::temp_directory_path() / ("korvane-host-test-" + std::to_string(::getpid()) +
                                               "-" + std::to_string(nextRun()))),
          mPort(test::freePort()) {
        fs::create_directories(mFolder / "runtime");
        fs::permissions(mFolder / "runtime", fs::perms::owner_all);
        std::ofstream(settingsFile(), std::ios::binary)
            << replaced(settings, "{port}", std::to_string(mPort));
        args.insert(args.end(), {"--settings", settingsFile().string(), "--capture",
                                 (mFolder / "capture.png").string()});
        for (std::string& arg : args) {
            arg = replaced(arg, "{port}", std::to_string(mPort));
        }
        mPid = ::fork();
        if (mPid == 0) {
            run(args);
        }
        for (int i = 0;
             i < 100 && log().find("待ち受けを開始しました。") == std::string::npos && !ended();
             ++i) {
            std::this_thread::sleep_for(100ms);
        }
    }
    ~Host() {
        if (!ended()) {
            ::kill(mPid, SIGTERM);
            ::waitpid(mPid, nullptr, 0);
        }
        std::error_code ignored;
        fs::remove_all(mFolder, ignored);
    }

    // The exit status once the host has ended by itself, else -1.
    int exitStatus() {
        ended();
        return mExitStatus;
    }
    std::uint16_t port() const { return mPort; }
    fs::path settingsFile() const { return mFolder / "korvane-server.ini"; }
    fs::path logFile() const { return mFolder / "host.log"; }
    std::string log() const { return readAll(logFile()); }

  private:
    [[noreturn]] void run(const std::vector<std::string>& args) {
        ::setenv("XDG_RUNTIME_DIR", (mFolder / "runtime").c_str(), 1);
        if (mInChild) {
            mInChild(mFolder);
        }
        std::freopen(logFile().c_str(), "w", stdout);
        std::freopen(logFile().c_str(), "a", stderr);
        std::vector<char*> argv{const_cast<char*>(KORVANE_HOST)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(KORVANE_HOST, argv.data());
        ::_exit(127);
    }

    bool ended() {
        int status = 0;
        if (mExitStatus < 0 && ::waitpid(mPid, &status, WNOHANG) == mPid) {
            mExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        }
        return mExitStatus >= 0;
    }

    static int nextRun() {
        static int runs = 0;
        return ++runs;
    }

    ChildSetup mInChild;
    fs::path mFolder;
    std::uint16_t mPort;
    pid_t mPid = -1;
    int mExitStatus = -1;
};

constexpr char kApproved[] =
    "[Setting]\nPort=65001\n[Devices]\nCount=1\nDevice1=SHOP-1 192.0.2.7 2026/01/02 03:04:05\n";
constexpr char kPrompt[] =
    "[STRANGER][127.0.0.1]承認されていない端末のため、今回の実行中は拒否します。"
    "korvane-server で承認してから korvane-host を起動し直してください。";
constexpr char kNotApproved[] = "][Client_Send]未承認の端末からの要求です。";

TEST(HostApproval, OnlyPhonesApprovedInTheSettingsFileMayUseTheDesktop) {
    Host host(kApproved);
    ASSERT_NE(host.log().find("待ち受けを開始しました。"), std::string::npos) << host.log();

    // An unknown phone: its settings check is answered, its barcode and capture are refused
    // with (code, "0"), and the log says why once and then for each request.
    EXPECT_EQ(phone(host.port(), "--key STRANGER 101"), "reply 101\t1\n");
    EXPECT_EQ(phone(host.port(), "--key STRANGER 102 ABC-123 1 1 0"), "reply 102\t0\n");
    EXPECT_EQ(phone(host.port(), "--key STRANGER 105 1080 1920"), "reply 105\t0\n");
    std::string log = host.log();
    EXPECT_EQ(count(log, kPrompt), 1u) << log;
    EXPECT_EQ(count(log, "[STRANGER][127.0.0.1" + std::string(kNotApproved)), 2u) << log;
    EXPECT_FALSE(fs::exists(host.settingsFile().parent_path() / "capture.png"));

    // The approved phone gets past approval (the X server has no focused window to type into),
    // and its new address is kept in the settings file, beside what else the file holds.
    phone(host.port(), "--key SHOP-1 102 ABC-123 1 1 0");
    log = host.log();
    EXPECT_EQ(count(log, "[SHOP-1][127.0.0.1" + std::string(kNotApproved)), 0u) << log;
    const std::string settings = readAll(host.settingsFile());
    EXPECT_NE(settings.find("Device1=SHOP-1 127.0.0.1 2026/01/02 03:04:05"), std::string::npos)
        << settings;
    EXPECT_NE(settings.find("Port=65001"), std::string::npos) << settings;
}

// korvane-host refuses every phone it does not know and keeps only its latest refusals: after
// kMostRefused fresh keys and a few more, the first keys are refused and logged once more at their
// next request (forgotten, oldest first), the latest ones are not.
TEST(HostApproval, RefusedKeysAreBoundedOldestForgottenFirst) {
    Host host(kApproved);
    const auto key = [](std::size_t n) { return "FRESH-" + std::to_string(n); };
    const auto refusals = [&](std::size_t n) {
        return count(host.log(), "[" + key(n) + "][127.0.0.1]承認されていない端末のため");
    };
    const std::size_t fresh = DeviceApproval::kMostRefused + 10;
    for (std::size_t n = 0; n < fresh; ++n) {
        ASSERT_EQ(phone::converse("127.0.0.1", host.port(), key(n), "101").reply, "101\t1") << n;
    }
    // The kept ones first: each forgotten one refused again pushes out the oldest kept one.
    for (std::size_t n : {fresh - 1, std::size_t{10}, std::size_t{0}, std::size_t{9}}) {
        phone::converse("127.0.0.1", host.port(), key(n), "101");
    }
    for (int i = 0; i < 50 && refusals(9) < 2; ++i) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(refusals(0), 2u);
    EXPECT_EQ(refusals(9), 2u);
    EXPECT_EQ(refusals(10), 1u);
    EXPECT_EQ(refusals(fresh - 1), 1u);
}

// Phones that are not approved send settings checks whose keys (20 characters at most) would
// clear the terminal, set its clipboard (OSC 52) and start a log line of their own: standard
// output shows those bytes, but none of them reaches the terminal as a control.
TEST(HostApproval, KeysFromTheNetworkNeverSteerTheTerminal) {
    Host host(kApproved);
    struct Case {
        std::string key;
        std::string shown;
    };
    const Case cases[] = {
        {"\x1B[2J\x1B[H", "\u241B[2J\u241B[H"},
        {"\x07\x1B]52;c;ZXZpbA==\x1B\\", "\u2407\u241B]52;c;ZXZpbA==\u241B\\"},
        {"\r\n[Server]forged\x7F", " \u21B5 [Server]forged\u2421"},
    };
    for (const Case& c : cases) {
        ::setenv("KORVANE_TEST_KEY", c.key.c_str(), 1);
        EXPECT_EQ(phone(host.port(), "--key \"$KORVANE_TEST_KEY\" 101"), "reply 101\t1\n");
    }
    ::unsetenv("KORVANE_TEST_KEY");
    const std::string log = host.log();
    for (const Case& c : cases) {
        EXPECT_NE(log.find("[" + c.shown + "][127.0.0.1][Client_Receive]設定確認要求:101"),
                  std::string::npos)
            << c.shown << "\n"
            << log;
    }
    for (const char control : {'\x1B', '\x07', '\r', '\x7F'}) {
        EXPECT_EQ(log.find(control), std::string::npos) << static_cast<int>(control) << log;
    }
    EXPECT_EQ(log.find("\n[Server]forged"), std::string::npos) << log;
}

// The QR code printed with block characters, as a phone's camera sees it on a terminal with
// light text on a dark background: each character two modules high, its blocks light, four
// pixels a module. Lines of anything else are not part of it.
std::string decodeBlockQr(const std::string& log) {
    const std::string upper = "\u2580", lower = "\u2584", full = "\u2588";
    std::vector<std::vector<bool>> rows;  // true: light
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        std::vector<bool> top, bottom;
        for (std::size_t at = 0; at < line.size();) {
            const auto is = [&](const std::string& block) {
                return line.compare(at, 3, block) == 0;
            };
            if (line[at] == ' ') {
                top.push_back(false);
                bottom.push_back(false);
                at += 1;
            } else if (is(upper) || is(lower) || is(full)) {
                top.push_back(!is(lower));
                bottom.push_back(!is(upper));
                at += 3;
            } else {
                top.clear();
                break;
            }
        }
        if (!top.empty()) {
            rows.push_back(top);
            rows.push_back(bottom);
        }
    }
    if (rows.empty()) {
        return "";
    }
    constexpr int kScale = 4;
    const int width = static_cast<int>(rows[0].size()) * kScale;
    const int height = static_cast<int>(rows.size()) * kScale;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::vector<bool>& row = rows[y / kScale];
            const std::size_t column = static_cast<std::size_t>(x / kScale);
            pixels[static_cast<std::size_t>(y) * width + x] =
                column < row.size() && row[column] ? 255 : 0;
        }
    }
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::QRCode);
    const ZXing::Result result =
        ZXing::ReadBarcode({pixels.data(), width, height, ZXing::ImageFormat::Lum}, hints);
    return result.isValid() ? result.text() : "";
}

// --approval-code prints a code whose QR code, read off the terminal, is the code printed with it;
// a phone the host refused at its settings check scans it and is approved for good (kept in the
// settings file), nothing typed; a second phone scanning it after is refused as before.
TEST(HostApproval, ThePrintedCodeApprovesThePhoneThatScansIt) {
    Host host(kApproved, {"--address", "127.0.0.1", "--port", "{port}", "--approval-code"});
    const std::string caption = "承認コード: ";
    std::string log = host.log();
    const std::size_t at = log.find(caption);
    ASSERT_NE(at, std::string::npos) << log;
    const std::string code = log.substr(at + caption.size(), 11);
    EXPECT_EQ(decodeBlockQr(log), code) << log;

    EXPECT_EQ(phone(host.port(), "--key NEWPHONE 101"), "reply 101\t1\n");
    // Approved: the X server has no focused window, so the phone hears (102, "0") all the same.
    phone(host.port(), "--key NEWPHONE 102 " + code + " 1 1 0");
    phone(host.port(), "--key LATER 102 " + code + " 1 1 0");
    log = host.log();
    EXPECT_NE(log.find("[NEWPHONE][127.0.0.1][Client_Approval]承認コードを読み取った端末を承認"
                       "しました。端末キー: NEWPHONE アドレス: 127.0.0.1"),
              std::string::npos)
        << log;
    EXPECT_EQ(count(log, "[NEWPHONE][127.0.0.1" + std::string(kNotApproved)), 0u) << log;
    EXPECT_EQ(count(log, "[LATER][127.0.0.1" + std::string(kNotApproved)), 1u) << log;
    const std::string settings = readAll(host.settingsFile());
    EXPECT_NE(settings.find("Device2=NEWPHONE 127.0.0.1 "), std::string::npos) << settings;
    EXPECT_EQ(settings.find("LATER"), std::string::npos) << settings;
}

TEST(HostApproval, ApprovalTurnedOffLetsEveryPhoneThrough) {
    Host host("[Setting]\nDeviceApproval=0\n");
    EXPECT_EQ(phone(host.port(), "--key STRANGER 101"), "reply 101\t1\n");
    phone(host.port(), "--key STRANGER 102 ABC-123 1 1 0");
    const std::string log = host.log();
    EXPECT_NE(log.find("[STRANGER][127.0.0.1][Client_Receive]"), std::string::npos) << log;
    EXPECT_EQ(log.find("承認"), std::string::npos) << log;
}

TEST(HostSettings, AddressAndPortComeFromTheSettingsUnlessTheCommandLineGivesThem) {
    struct Case {
        const char* name;
        const char* settings;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"from the settings", "[Setting]\nIpAddress=127.0.0.1\nPortNo={port}\n", {}},
        // 192.0.2.1 is no address of this PC, and nothing listens on port 1.
        {"the command line wins",
         "[Setting]\nIpAddress=192.0.2.1\nPortNo=1\n",
         {"--address", "127.0.0.1", "--port", "{port}"}},
        {"the address from the settings, the port given",
         "[Setting]\nIpAddress=127.0.0.1\nPortNo=x\n",
         {"--port", "{port}"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host(std::string(c.settings) + "DeviceApproval=0\n", c.args);
        EXPECT_EQ(phone(host.port(), "--key SHOP-1 101"), "reply 101\t1\n") << host.log();
    }
}

TEST(HostSettings, ABadPortIsAClearErrorAndNothingListens) {
    struct Case {
        const char* settings;
        std::vector<std::string> args;
        int exitStatus;
        std::string error;
    };
    const Case cases[] = {
        {"[Setting]\nIpAddress=127.0.0.1\nPortNo=65o01\n",
         {},
         1,
         "korvane-host: PortNo=65o01 in {file} is not a port number"},
        {"[Setting]\nIpAddress=127.0.0.1\n",
         {"--port", "70000"},
         2,
         "korvane-host: --port needs a number from 1 to 65535, not '70000'"},
    };
    for (const Case& c : cases) {
        Host host(c.settings, c.args);
        EXPECT_EQ(host.exitStatus(), c.exitStatus) << host.log();
        EXPECT_NE(host.log().find(replaced(c.error, "{file}", host.settingsFile().string())),
                  std::string::npos)
            << host.log();
    }
}

// With no folder closed to other users for its lock, korvane-host says so and does not listen:
// unlocked, a second copy could listen beside it.
TEST(HostStart, NoPrivateFolderForTheLockMeansNoStart) {
    struct Case {
        const char* name;
        Host::ChildSetup setup;
        std::string lock;  // below the test's folder
    };
    const std::string uid = std::to_string(::getuid());
    const Case cases[] = {
        {"a runtime folder open to others",
         [](const fs::path& folder) { ::chmod((folder / "runtime").c_str(), 0755); },
         "runtime/ZRQ_KORVANE.lock"},
        // Without a runtime folder, another user may have made the folder in the temporary
        // folder first; a link in its place (what root, running the tests, can still tell) is
        // just as much not the user's own.
        {"a link in place of the folder in the temporary folder",
         [uid](const fs::path& folder) {
             ::unsetenv("XDG_RUNTIME_DIR");
             ::setenv("TMPDIR", folder.c_str(), 1);
             fs::create_directory(folder / "elsewhere");
             fs::create_directory_symlink(folder / "elsewhere", folder / ("ZRQ_KORVANE-" + uid));
         },
         "ZRQ_KORVANE-" + uid + "/ZRQ_KORVANE.lock"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host host("[Setting]\nDeviceApproval=0\n", {"--address", "127.0.0.1", "--port", "{port}"},
                  c.setup);
        EXPECT_EQ(host.exitStatus(), 1) << host.log();
        const fs::path lock = host.settingsFile().parent_path() / c.lock;
        EXPECT_NE(host.log().find("二重起動を防ぐためのロック " + lock.string() +
                                  " を作成できないため、起動できません。ご確認ください。"),
                  std::string::npos)
            << host.log();
        EXPECT_EQ(host.log().find("待ち受けを開始しました。"), std::string::npos) << host.log();
        EXPECT_EQ(phone(host.port(), "--key SHOP-1 --timeout 2 101").rfind("error", 0), 0u);
    }
}

TEST(HostSettings, TheOptionsOfTheSettingsApply) {
    // ScanHistory=1: each barcode goes into the history beside the settings file, typed or not
    // (the X server has no window to type into).
    Host host("[Setting]\nDeviceApproval=0\n[Options]\nScanHistory=1\n");
    phone(host.port(), "--key SHOP-1 102 ABC-123 1 1 0");
    const fs::path history = host.settingsFile().parent_path() / "history" / "korvane-scans.csv";
    std::string written;
    for (int i = 0; i < 50 && written.find("ABC-123") == std::string::npos; ++i) {
        std::this_thread::sleep_for(100ms);
        written = readAll(history);
    }
    EXPECT_NE(written.find("SHOP-1"), std::string::npos) << written;
    EXPECT_NE(written.find("ABC-123"), std::string::npos) << written;

    Host plain("[Setting]\nDeviceApproval=0\n");
    phone(plain.port(), "--key SHOP-1 102 ABC-123 1 1 0");
    EXPECT_FALSE(fs::exists(plain.settingsFile().parent_path() / "history"));
}

}  // namespace
}  // namespace korvane
