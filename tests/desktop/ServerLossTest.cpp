#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "desktop/x11/X11Desktop.h"
#include "tests/desktop/ChildProcess.h"

namespace korvane {
namespace {

// A private X server; with no display given, on a free display whose number it prints.
std::unique_ptr<test::ChildProcess> startXvfb(const std::string& display) {
    std::vector<std::string> argv{"Xvfb", "-nolisten", "tcp", "-screen", "0", "640x480x24"};
    if (display.empty()) {
        argv.insert(argv.end(), {"-displayfd", "1"});
    } else {
        argv.push_back(display);
    }
    return std::make_unique<test::ChildProcess>(argv);
}

// The X server going away must not end the program: the operations fail with a reason, and
// work again once a server is back on the display.
TEST(ServerLoss, OperationsFailCleanlyAndRecoverWhenTheServerReturns) {
    auto server = startXvfb("");
    const std::string number = server->readLine();
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    const std::string display = ":" + number;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("korvane-loss-" + std::to_string(::getpid()) + ".png"))
                                 .string();

    TX11Desktop desktop(display);
    std::string error;
    ASSERT_TRUE(desktop.mdlSendSuffix(0, "1", error)) << error;
    ASSERT_TRUE(desktop.mdlSendBarcode(0, "before", error)) << error;

    server->terminate();
    error.clear();
    EXPECT_FALSE(desktop.mdlSendSuffix(0, "1", error));
    EXPECT_NE(error.find(display), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(desktop.mdlSendBarcode(0, "during", error));
    EXPECT_NE(error.find(display), std::string::npos) << error;
    error.clear();
    std::int32_t x = 0;
    std::int32_t y = 0;
    EXPECT_EQ(desktop.mdlGetFocusWindow(error, x, y), 0u);
    EXPECT_NE(error.find(display), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(desktop.mdlCaptureScreen(1, path, 0, 0, 0, error));
    EXPECT_FALSE(error.empty());

    server = startXvfb(display);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool back = false;
    while (!back && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        back = desktop.mdlSendSuffix(0, "1", error);
    }
    ASSERT_TRUE(back) << error;
    EXPECT_TRUE(desktop.mdlSendBarcode(0, "after", error)) << error;
    server->terminate();
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace korvane
