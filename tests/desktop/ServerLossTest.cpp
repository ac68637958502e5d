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

    X11Desktop desktop(display);
    ASSERT_FALSE(desktop.pressSuffixKey(0, "1")) << desktop.pressSuffixKey(0, "1").message();
    // No window on the bare server asks for the text, but the paste goes all the way.
    ASSERT_EQ(desktop.pasteText(0, "before").kind(), DesktopError::Kind::NotTaken);

    server->terminate();
    DesktopError error = desktop.pressSuffixKey(0, "1");
    EXPECT_NE(error.message().find(display), std::string::npos) << error.message();
    error = desktop.pasteText(0, "during");
    EXPECT_NE(error.message().find(display), std::string::npos) << error.message();
    DesktopResult<FocusedWindow> focused = desktop.focusedWindow();
    ASSERT_FALSE(focused);
    EXPECT_NE(focused.error().message().find(display), std::string::npos)
        << focused.error().message();
    error = desktop.capture(1, Point{}, CaptureShape::centred(), 0,
                            std::chrono::steady_clock::now(), path);
    EXPECT_TRUE(error);
    EXPECT_FALSE(error.message().empty());

    server = startXvfb(display);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool back = false;
    while (!back && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        error = desktop.pressSuffixKey(0, "1");
        back = !error;
    }
    ASSERT_TRUE(back) << error.message();
    error = desktop.pasteText(0, "after");
    EXPECT_EQ(error.kind(), DesktopError::Kind::NotTaken) << error.message();
    server->terminate();
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace korvane
