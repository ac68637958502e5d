#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/handling/HandlerHarness.h"
#include "tests/support/Loopback.h"

namespace korvane {
namespace {

struct PhoneRun {
    int status;
    std::string output;
};

// Runs korvane-phone with `args` and gives its exit status and everything it printed.
PhoneRun phone(const std::string& args) {
    std::string command = std::string(KORVANE_PHONE) + " " + args + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    PhoneRun run{-1, ""};
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.output.append(buffer, n);
    }
    int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(PhoneCli, ExplainsItselfAndRefusesBadArguments) {
    PhoneRun help = phone("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: korvane-phone"), std::string::npos);
    for (const char* args : {"", "--port 70000 101", "--port abc 101", "--bogus 101",
                             "--connections 0 101", "--port"}) {
        PhoneRun bad = phone(args);
        EXPECT_EQ(bad.status, 2) << args;
        EXPECT_EQ(bad.output.rfind("korvane-phone: ", 0), 0u) << args << ": " << bad.output;
    }
}

TEST(PhoneCli, TalksToARealServer) {
    test::HandlerHarness harness;
    std::string port = " --port " + std::to_string(harness.port());

    PhoneRun settings = phone(port + " --key SHOP-1 101");
    EXPECT_EQ(settings.status, 0);
    EXPECT_EQ(settings.output, "reply 101\t1\n");

    auto saved = std::filesystem::temp_directory_path() /
                 ("korvane-phone-" + std::to_string(::getpid()) + ".png");
    PhoneRun capture = phone(port + " --save " + saved.string() + " 102 ABC-123 1 1 0");
    EXPECT_EQ(capture.status, 0);
    ASSERT_FALSE(harness.desktop.captures().empty());
    const std::string picture = harness.desktop.captures().back();
    EXPECT_EQ(capture.output,
              "file capture.png " + std::to_string(picture.size()) + "\nreply 102\t1\n");
    std::ifstream in(saved, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), picture);
    std::filesystem::remove(saved);

    PhoneRun many = phone(port + " --connections 3 0101");
    EXPECT_EQ(many.status, 0);
    EXPECT_EQ(many.output, "[0] reply 101\t1\n[1] reply 101\t1\n[2] reply 101\t1\n");

    PhoneRun refused = phone(port + " abc");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output, "error the server closed the connection\n");
}

TEST(PhoneCli, ReportsAServerThatIsNotThere) {
    PhoneRun run = phone("--port " + std::to_string(test::freePort()) + " 101");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("error cannot connect"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace korvane
