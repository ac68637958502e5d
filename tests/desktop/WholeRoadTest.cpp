#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "core/RequestServing.h"
#include "desktop/x11/X11Desktop.h"
#include "handling/ApprovalCode.h"
#include "handling/DeviceApproval.h"
#include "handling/RequestHandler.h"
#include "server/RequestServer.h"
#include "tests/desktop/DecodedPng.h"
#include "tests/desktop/LockStandIn.h"
#include "tests/desktop/TkTarget.h"
#include "tests/support/Loopback.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;

// The window's side of request handling: only what the test needs to know that the server runs.
class QuietWindow : public LogView, public ListenerView, public MessageBoxes {
  public:
    void insertLogLine(const std::string& line) override {
        std::lock_guard lock(mLock);
        mLines.push_back(line);
    }
    void listenerStopped() override {
        std::lock_guard lock(mLock);
        mStopped = true;
    }
    void showError(const std::string& text) override { ADD_FAILURE() << "error box: " << text; }

    std::vector<std::string> lines() {
        std::lock_guard lock(mLock);
        return mLines;
    }

    bool waitFor(bool stopped) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < deadline) {
            {
                std::lock_guard lock(mLock);
                if (stopped ? mStopped : !mLines.empty()) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

  private:
    std::mutex mLock;
    std::vector<std::string> mLines;
    bool mStopped = false;
};

// The user at the approval prompt: notes the question, answers later.
class NotingPrompt : public ApprovalPrompt {
  public:
    void ask(const std::string& clientKey, const std::string& address) override {
        std::lock_guard lock(mLock);
        mAsked.push_back(clientKey + "@" + address);
    }
    std::vector<std::string> asked() {
        std::lock_guard lock(mLock);
        return mAsked;
    }

  private:
    std::mutex mLock;
    std::vector<std::string> mAsked;
};

// The real server and request handling on 127.0.0.1 in front of the X11 desktop, with a focused
// Tk entry to type into; `approval` null lets every phone type.
class Road {
  public:
    explicit Road(const std::string& name, DeviceApproval* approval = nullptr)
        : mFolder(fs::temp_directory_path() /
                  ("korvane-" + name + "-" + std::to_string(::getpid()))),
          mHandler(desktop, window, window, (made(mFolder) / "server.png").string(), approval),
          mServer(serveRequests(mHandler)) {
        tk.focus();
    }
    ~Road() {
        mServer->stop();
        EXPECT_TRUE(window.waitFor(true));
        fs::remove_all(mFolder);
    }

    // Starts listening; false when the server did not start.
    bool start() {
        return mServer->start("127.0.0.1", port) == std::nullopt && window.waitFor(false);
    }
    const fs::path& folder() const { return mFolder; }
    RequestHandler& handler() { return mHandler; }

    test::TkTarget tk;
    X11Desktop desktop;
    QuietWindow window;
    const std::uint16_t port = test::freePort();

  private:
    static const fs::path& made(const fs::path& folder) {
        fs::create_directories(folder);
        return folder;
    }

    const fs::path mFolder;
    RequestHandler mHandler;
    const std::unique_ptr<RequestServer> mServer;
};

// A barcode from the phone goes through the real server and request handling into a Tk entry,
// followed by Enter, and the phone gets the capture and then the reply.
TEST(WholeRoad, BarcodeFromThePhoneLandsInTheTkEntryAndTheCaptureComesBack) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    Road road("road");
    ASSERT_TRUE(road.start()) << "the server did not start";
    std::string error;

    const std::string barcode = "ABC-123 漢字";
    // Code 102: the barcode, capture after the suffix (1), suffix Enter (1), pause code 0.
    const phone::Outcome outcome =
        phone::converse("127.0.0.1", road.port, "road", "102\t" + barcode + "\t1\t1\t0");
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.fileName.value_or("(none)"), "capture.png");
    EXPECT_EQ(outcome.reply.value_or("(none)"), "102\t1");
    EXPECT_EQ(road.tk.waitForText(barcode), barcode);
    EXPECT_EQ(road.tk.ask("keys"), R"(["Return"])");

    const std::string received = (road.folder() / "received.png").string();
    std::ofstream(received, std::ios::binary) << outcome.fileBytes;
    test::DecodedPng png;
    ASSERT_TRUE(test::readPngFile(received, png, error)) << error;
    EXPECT_EQ(png.width, 320u);
    EXPECT_EQ(png.height, 240u);
}

// A field that ignores Control+V (as a terminal's line does) gets nothing: the log says the
// window did not take the paste, where a normal entry's scan has no such line; the phone hears
// the same reply, and the Enter still goes.
TEST(WholeRoad, APasteTheWindowIgnoresIsLoggedWhereANormalEntryIsNot) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    Road road("nopaste");
    ASSERT_TRUE(road.start()) << "the server did not start";
    const std::string notTaken =
        "[Client_Error]貼り付けたバーコードを送信先のウィンドウが受け取りませんでした。";
    auto notTakenLines = [&] {
        int count = 0;
        for (const std::string& line : road.window.lines()) {
            count += line.find(notTaken) != std::string::npos ? 1 : 0;
        }
        return count;
    };

    const phone::Outcome typed =
        phone::converse("127.0.0.1", road.port, "road", "102\tTAKEN\t1\t1\t0");
    EXPECT_EQ(typed.reply.value_or("(none)"), "102\t1");
    EXPECT_EQ(road.tk.waitForText("TAKEN"), "TAKEN");
    EXPECT_EQ(notTakenLines(), 0);

    ASSERT_EQ(road.tk.ask("clear"), "true");
    ASSERT_EQ(road.tk.ask("nopaste"), "true");
    const phone::Outcome ignored =
        phone::converse("127.0.0.1", road.port, "road", "102\tIGNORED\t1\t1\t0");
    EXPECT_EQ(ignored.fileName.value_or("(none)"), "capture.png");
    EXPECT_EQ(ignored.reply.value_or("(none)"), "102\t1");
    EXPECT_EQ(notTakenLines(), 1);
    EXPECT_EQ(road.tk.text(), "");
    EXPECT_EQ(road.tk.ask("keys"), R"(["Return"])");
}

// A phone nobody approved gets (102, "0") and the Tk entry stays as it was, no key pressed; once
// the user approves it from the prompt, the same request is typed.
TEST(WholeRoad, AnUnapprovedPhoneTypesNothingUntilTheUserApprovesIt) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    NotingPrompt prompt;
    DeviceApproval approval(prompt, {}, true);
    Road road("approval", &approval);
    ASSERT_TRUE(road.start()) << "the server did not start";

    const std::string request = "102\tSTRANGER\t1\t1\t0";
    const phone::Outcome refused = phone::converse("127.0.0.1", road.port, "road", request);
    EXPECT_EQ(refused.reply.value_or("(none)"), "102\t0");
    EXPECT_FALSE(refused.fileName);
    EXPECT_EQ(road.tk.text(), "");
    EXPECT_EQ(road.tk.ask("keys"), "[]");
    EXPECT_EQ(prompt.asked(), std::vector<std::string>{"road@127.0.0.1"});

    approval.answer("road", "127.0.0.1", ApprovalAnswer::Always);
    const phone::Outcome typed = phone::converse("127.0.0.1", road.port, "road", request);
    EXPECT_EQ(typed.reply.value_or("(none)"), "102\t1");
    EXPECT_EQ(road.tk.waitForText("STRANGER"), "STRANGER");
    EXPECT_EQ(road.tk.ask("keys"), R"(["Return"])");
}

// A phone nobody approved scans the approval code shown on the screen: it is approved for good
// and the Tk entry gets nothing, no key pressed, while the phone gets the capture and the reply
// of a typed barcode. Nobody is asked about it.
TEST(WholeRoad, APhoneScanningTheApprovalCodeIsApprovedAndTypesNothing) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    NotingPrompt prompt;
    DeviceApproval approval(prompt, {}, true);
    ApprovalCode code;
    Road road("code", &approval);
    road.handler().setApprovalCode(code);
    ASSERT_TRUE(road.start()) << "the server did not start";

    const std::string issued = code.issue().value();
    const phone::Outcome outcome =
        phone::converse("127.0.0.1", road.port, "fresh", "102\t" + issued + "\t1\t1\t0");
    EXPECT_EQ(outcome.fileName.value_or("(none)"), "capture.png");
    EXPECT_EQ(outcome.reply.value_or("(none)"), "102\t1");
    ASSERT_EQ(approval.devices().size(), 1u);
    EXPECT_EQ(approval.devices()[0].clientKey, "fresh");
    EXPECT_TRUE(prompt.asked().empty());
    EXPECT_EQ(road.tk.text(), "");
    EXPECT_EQ(road.tk.ask("keys"), "[]");
}

// Whether the desktop comes to tell the session's lock as `locked` within a few seconds.
bool desktopSees(X11Desktop& desktop, bool locked) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (desktop.sessionLocked() != locked) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// While the session's screen saver says the session is locked (no locker runs headless: one of
// the test's own on the session bus stands in), a barcode types nothing into the focused entry,
// no key is pressed, no picture is sent: the phone gets (102, "0") and the log says why. Unlocked,
// the same barcode is typed.
TEST(WholeRoad, ALockedSessionIsNeverTypedInto) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    ASSERT_FALSE(test::sessionBusAddress().empty()) << "needs a session bus: run scripts/test";
    Road road("locked");
    test::LockStandIn screenSaver(test::LockStandIn::Role::ScreenSaver);
    ASSERT_TRUE(screenSaver.ready());
    ASSERT_TRUE(road.start()) << "the server did not start";
    screenSaver.setLocked(true);
    ASSERT_TRUE(desktopSees(road.desktop, true));

    const std::string request = "102\tLOCKED\t1\t1\t0";
    const phone::Outcome refused = phone::converse("127.0.0.1", road.port, "road", request);
    EXPECT_EQ(refused.error, "");
    EXPECT_EQ(refused.reply.value_or("(none)"), "102\t0");
    EXPECT_FALSE(refused.fileName);
    EXPECT_EQ(road.tk.text(), "");
    EXPECT_EQ(road.tk.ask("keys"), "[]");
    const std::string why =
        "[127.0.0.1][Client_Error]画面がロックされているため、入力とキャプチャを行いませんでした。";
    const std::vector<std::string> lines = road.window.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(why) != std::string::npos;
    }));

    screenSaver.setLocked(false);
    ASSERT_TRUE(desktopSees(road.desktop, false));
    const phone::Outcome typed = phone::converse("127.0.0.1", road.port, "road", request);
    EXPECT_EQ(typed.reply.value_or("(none)"), "102\t1");
    EXPECT_EQ(road.tk.waitForText("LOCKED"), "LOCKED");
    EXPECT_EQ(road.tk.ask("keys"), R"(["Return"])");
}

}  // namespace
}  // namespace korvane
