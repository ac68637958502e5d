// korvane-host in a child process, in a network namespace of the test's own
// (tests/support/PrivateNetwork.h): the address it listens on goes and comes back, and it says so
// on standard output and listens there again, without ending.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/PrivateNetwork.h"
#include "tests/support/TempFolder.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::PrivateNetwork;

constexpr std::uint16_t kPort = 50123;

using test::readAll;

// The child's end, however the test ends.
struct Child {
    ~Child() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
    }
    pid_t pid = -1;
};

// Waits until `done`, at most 20 s.
template <typename Done>
bool waitFor(Done done) {
    for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(50ms)) {
        if (done()) {
            return true;
        }
    }
    return false;
}

TEST(HostAddress, ListensAgainWhenItsAddressComesBack) {
    if (std::string why = PrivateNetwork::enter(); !why.empty()) {
        GTEST_SKIP() << "no network namespace of the test's own here: " << why;
    }
    ASSERT_EQ(PrivateNetwork::addLink("lan0"), "");
    ASSERT_EQ(PrivateNetwork::ip("addr add 10.77.0.5/24 dev lan0\n"), "");
    test::TempFolder folder;
    fs::create_directories(folder / "runtime");
    fs::permissions(folder / "runtime", fs::perms::owner_all);
    std::ofstream(folder / "korvane-server.ini") << "[Setting]\nDeviceApproval=0\n";
    const fs::path log = folder / "host.log";

    Child host;
    host.pid = ::fork();
    if (host.pid == 0) {
        // Its single-instance lock in a runtime folder of its own.
        ::setenv("XDG_RUNTIME_DIR", (folder / "runtime").c_str(), 1);
        std::freopen(log.c_str(), "w", stdout);
        std::freopen(log.c_str(), "a", stderr);
        const std::string settings = (folder / "korvane-server.ini").string();
        const std::string capture = (folder / "capture.png").string();
        ::execl(KORVANE_HOST, KORVANE_HOST, "--address", "10.77.0.5", "--port", "50123",
                "--settings", settings.c_str(), "--capture", capture.c_str(), nullptr);
        ::_exit(127);
    }
    const auto lines = [&](const std::string& part) {
        const std::string text = readAll(log);
        std::size_t n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_TRUE(waitFor([&] { return PrivateNetwork::listensOn("10.77.0.5", kPort); }))
        << readAll(log);

    ASSERT_EQ(PrivateNetwork::ip("addr del 10.77.0.5/24 dev lan0\n"), "");
    EXPECT_TRUE(waitFor([&] { return lines("待ち受けを終了しました。") == 1; })) << readAll(log);
    EXPECT_EQ(lines("[Server][Address]待ち受け中のIPアドレス 10.77.0.5 がこのPCからなくなった"),
              1u);
    EXPECT_FALSE(PrivateNetwork::listensOn("10.77.0.5", kPort));

    ASSERT_EQ(PrivateNetwork::ip("addr add 10.77.0.5/24 dev lan0\n"), "");
    EXPECT_TRUE(waitFor([&] { return PrivateNetwork::listensOn("10.77.0.5", kPort); }))
        << readAll(log);
    EXPECT_EQ(lines("[Server][Address]IPアドレス 10.77.0.5 が戻ったため、待ち受けを再開します。"),
              1u)
        << readAll(log);
    EXPECT_EQ(phone::converse("10.77.0.5", kPort, "K", "101").reply, "101\t1");

    // Still running: suspended listening did not end it.
    int status = 0;
    EXPECT_EQ(::waitpid(host.pid, &status, WNOHANG), 0);
}

}  // namespace
}  // namespace korvane
