#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/RequestServing.h"
#include "desktop/kde/KwinDesktop.h"
#include "handling/RequestHandler.h"
#include "server/RequestServer.h"
#include "tests/desktop/ChildProcess.h"
#include "tests/desktop/DecodedPng.h"
#include "tests/desktop/KwinSession.h"
#include "tools/HostedServer.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// A barcode from the phone goes through the real server and request handling and the KDE
// desktop into a native Wayland GTK entry under the shared headless KWin, followed by Enter
// (zenity then prints what the entry holds), and the phone gets the capture, showing the entry,
// and then the reply. KWin trusts this program through the desktop file the fixture wrote.
TEST(KwinWholeRoad, BarcodeFromThePhoneLandsInTheZenityEntryAndTheCaptureComesBack) {
    std::string why;
    bool installed = true;
    std::optional<test::KwinSession> kwin = test::KwinSession::shared(why, installed);
    if (!installed) {
        GTEST_SKIP() << why;
    }
    ASSERT_TRUE(kwin) << why;
    kwin->enter();
    const fs::path folder =
        fs::temp_directory_path() / ("korvane-kwin-road-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    test::ChildProcess zenity({"zenity", "--entry", "--text=KORVANE"}, kwin->clientEnvironment());
    ASSERT_TRUE(kwin->waitForActive("zenity")) << "zenity did not become the active window";

    KwinDesktop desktop("", {"korvane-none"});
    QuietWindow window;
    RequestHandler handler(desktop, window, window, (folder / "server.png").string());
    // Destroyed first, waiting for its threads, before the handler its events reach.
    const std::unique_ptr<RequestServer> server = serveRequests(handler);
    const std::uint16_t port = freeLoopbackPort();
    ASSERT_EQ(server->start("127.0.0.1", port), std::nullopt);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (window.logLines == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GT(window.logLines, 0) << "the server did not start";

    const std::string barcode = "WWWWWWWW 漢字";
    // Code 102: the barcode, capture before the suffix (0), suffix Enter (1), pause code 0.
    const phone::Outcome outcome =
        phone::converse("127.0.0.1", port, "road", "102\t" + barcode + "\t0\t1\t0");
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.fileName.value_or("(none)"), "capture.png");
    EXPECT_EQ(outcome.reply.value_or("(none)"), "102\t1");
    EXPECT_EQ(zenity.readLine(10000), barcode);

    const std::string received = (folder / "received.png").string();
    std::ofstream(received, std::ios::binary) << outcome.fileBytes;
    test::DecodedPng png;
    std::string error;
    ASSERT_TRUE(test::readPngFile(received, png, error)) << error;
    EXPECT_EQ(png.width, 320u);
    EXPECT_EQ(png.height, 240u);
    // The entry around the caret: its light background and the dark text left of the caret.
    int light = 0;
    int dark = 0;
    for (std::uint32_t x = 0; x < 160; ++x) {
        for (std::uint32_t y = 110; y < 130; ++y) {
            const test::DecodedPng::Pixel p = png.at(x, y);
            light += p.r + p.g + p.b > 600;
            dark += p.r + p.g + p.b < 200;
        }
    }
    EXPECT_GT(light, 100) << "no entry background around the caret";
    EXPECT_GT(dark, 100) << "no text left of the caret";
    EXPECT_EQ(window.errorBoxes, 0);

    server->stop();
    fs::remove_all(folder);
}

}  // namespace
}  // namespace korvane
