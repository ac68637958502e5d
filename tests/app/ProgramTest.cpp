// The real program, started as a user starts it, checked from the outside with the phone
// simulator.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "core/Settings.h"
#include "platform/Socket.h"
#include "tests/support/Loopback.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Runs the phone simulator's settings check; its output, or empty when it got no reply.
std::string askSettings(std::uint16_t port) {
    std::string command = std::string(KORVANE_PHONE) + " --host 127.0.0.1 --port " +
                          std::to_string(port) + " --timeout 5 101 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        output += buffer;
    }
    return pclose(pipe) == 0 ? output : "";
}

bool waitForExit(pid_t pid, int& status, std::chrono::seconds limit) {
    auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

TEST(Program, StartsListeningAfterTheSplashAnswersThePhoneAndSavesOnSigterm) {
    test::TempFolder folder;
    // A portable copy: the settings file is the one beside it.
    const auto program = folder / "korvane-server";
    std::filesystem::copy_file(KORVANE_SERVER, program);
    const auto runtime = folder / "run";
    std::filesystem::create_directory(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    const std::uint16_t port = test::freePort();
    test::writeAll(folder / "korvane-server.ini", "[Setting]\nIpAddress=127.0.0.1\nPortNo=" +
                                                      std::to_string(port) + "\nAutoStart=1\n");

    const auto started = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        if (!std::getenv("DISPLAY")) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
        execl(program.c_str(), program.c_str(), nullptr);
        _exit(127);
    }
    ASSERT_GT(pid, 0);

    std::string reply;
    while (reply.empty() && Clock::now() - started < 20s) {
        std::this_thread::sleep_for(250ms);
        reply = askSettings(port);
    }
    const auto answeredAfter = Clock::now() - started;
    kill(pid, SIGTERM);
    int status = 0;
    bool ended = waitForExit(pid, status, 15s);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }

    EXPECT_EQ(reply, "reply 101\t1\n");
    EXPECT_GE(answeredAfter, 3s) << "listening began before the splash window closed";
    ASSERT_TRUE(ended) << "SIGTERM did not end the program";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    const std::string ini = test::readAll(folder / "korvane-server.ini");
    for (const char* key : {"IpAddress=127.0.0.1\n", "AutoStart=1\n", "Minimize=0\n",
                            "Top=", "Left=", "Height=", "Width="}) {
        EXPECT_NE(ini.find(key), std::string::npos) << key << " missing from\n" << ini;
    }
    EXPECT_NE(ini.find("PortNo=" + std::to_string(port) + "\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Window]"), std::string::npos) << ini;
}

}  // namespace
}  // namespace korvane
