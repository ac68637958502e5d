#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/RequestServing.h"
#include "desktop/wayland/WlrootsDesktop.h"
#include "handling/RequestHandler.h"
#include "server/RequestServer.h"
#include "tests/desktop/ChildProcess.h"
#include "tests/desktop/DecodedPng.h"
#include "tests/desktop/SwaySession.h"
#include "tools/HostedServer.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// A barcode from the phone goes through the real server and request handling and the wlroots
// desktop into a native Wayland GTK entry under a headless sway, followed by Enter (zenity then
// prints what the entry holds), and the phone gets the capture and then the reply.
TEST(WaylandWholeRoad, BarcodeFromThePhoneLandsInTheZenityEntryAndTheCaptureComesBack) {
    if (test::SwaySession::findSway().empty()) {
        GTEST_SKIP() << "sway is not installed (scripts/install-deps installs it)";
    }
    test::SwaySession sway;
    ASSERT_TRUE(sway.ok()) << sway.failure();
    sway.enter();
    const fs::path folder =
        fs::temp_directory_path() / ("korvane-wayland-road-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    test::ChildProcess zenity({"zenity", "--entry", "--text=KORVANE"}, sway.clientEnvironment());
    ASSERT_TRUE(sway.waitForFocus("zenity")) << "zenity did not get the focus";

    WlrootsDesktop desktop("", {"korvane-none"});
    QuietWindow window;
    RequestHandler handler(desktop, window, window, (folder / "server.png").string());
    // Destroyed first, waiting for its threads, before the handler its events reach.
    const std::unique_ptr<RequestServer> server = serveRequests(handler);
    const std::uint16_t port = freeLoopbackPort();
    ASSERT_EQ(server->start("127.0.0.1", port), std::nullopt);
    // The server's first log line says it listens.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (window.logLines == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GT(window.logLines, 0) << "the server did not start";

    const std::string barcode = "ABC-123 漢字";
    // Code 102: the barcode, capture after the suffix (1), suffix Enter (1), pause code 0.
    const phone::Outcome outcome =
        phone::converse("127.0.0.1", port, "road", "102\t" + barcode + "\t1\t1\t0");
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.fileName.value_or("(none)"), "capture.png");
    EXPECT_EQ(outcome.reply.value_or("(none)"), "102\t1");
    EXPECT_EQ(zenity.readLine(10000), barcode);

    const std::string received = (folder / "received.png").string();
    std::ofstream(received, std::ios::binary) << outcome.fileBytes;
    test::DecodedPng png;
    std::string error;
    EXPECT_TRUE(test::readPngFile(received, png, error)) << error;
    EXPECT_EQ(png.width, 320u);
    EXPECT_EQ(png.height, 240u);
    EXPECT_EQ(window.errorBoxes, 0);

    server->stop();
    fs::remove_all(folder);
}

}  // namespace
}  // namespace korvane
