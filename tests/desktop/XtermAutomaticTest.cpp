// The automatic input method on the real road: the application core with its settings file, the
// X11 desktop and the phone simulator, in front of bash reading lines in an xterm, where Control+V
// is readline's quoted-insert and a paste never arrives.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "core/AppCore.h"
#include "core/OptionsForm.h"
#include "desktop/x11/X11Desktop.h"
#include "tests/core/QueuedUiThread.h"
#include "tests/desktop/ChildProcess.h"
#include "tests/handling/HandlerHarness.h"
#include "tests/support/Loopback.h"
#include "tests/support/TempFolder.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kNotTaken =
    "[Client_Error]貼り付けたバーコードを送信先のウィンドウが受け取りませんでした。";

using test::readAll;

// Runs `command` in a shell; true when it exits 0.
bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// bash in an xterm of a name of its own, appending each line it reads (through readline, as an
// interactive shell reads) to a file; focused once its window is up.
class BashInXterm {
  public:
    explicit BashInXterm(const fs::path& folder)
        : mLines(folder / "lines.txt"), mName("korvane-xterm-" + std::to_string(::getpid())) {
        const fs::path ready = folder / "ready";
        const std::string loop = "touch '" + ready.string() +
                                 "'; while IFS= read -e -r line; do printf '%s\\n' \"$line\" >> '" +
                                 mLines.string() + "'; done";
        // A client of this shared machine's X servers is now and then refused its connection
        // ("Can't open display"); xterm and xdotool are given three tries.
        for (int attempt = 0; attempt < 3 && !fs::exists(ready); ++attempt) {
            mXterm = std::make_unique<test::ChildProcess>(
                std::vector<std::string>{"xterm", "-name", mName, "-geometry", "80x10+0+0", "-e",
                                         "bash", "--norc", "--noprofile", "-c", loop},
                std::vector<std::string>{"INPUTRC=/dev/null"});
            for (int i = 0; i < 250 && !fs::exists(ready); ++i) {
                std::this_thread::sleep_for(20ms);
            }
        }
        for (int attempt = 0; attempt < 3 && fs::exists(ready) && !mStarted; ++attempt) {
            mStarted = run("xdotool search --sync --classname '" + mName +
                           "' windowfocus --sync >/dev/null 2>&1");
        }
    }
    ~BashInXterm() { mXterm->terminate(); }

    bool started() const { return mStarted; }
    // The lines bash has read so far.
    std::string lines() const { return readAll(mLines); }
    // Waits until bash has read `expected` in all (up to 5 s); what it has read then.
    std::string waitForLines(const std::string& expected) const {
        for (int i = 0; i < 250 && lines() != expected; ++i) {
            std::this_thread::sleep_for(20ms);
        }
        return lines();
    }
    // Empties readline's line, as the staff would after a scan that left ^M in it.
    bool clearLine() const { return run("xdotool key --clearmodifiers ctrl+u"); }

  private:
    const fs::path mLines;
    const std::string mName;
    std::unique_ptr<test::ChildProcess> mXterm;
    bool mStarted = false;
};

class XtermAutomaticTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
        ASSERT_TRUE(run("command -v xterm >/dev/null")) << "xterm: run scripts/install-deps";
        std::ofstream(mIni, std::ios::binary)
            << "[Setting]\nDeviceApproval=0\n[Options]\nInputMethod=2\n";
    }

    // A new run of the program over the same settings file, listening.
    AppCore& startCore() {
        if (mCore) {
            mCore->shutDown();
        }
        mCore.reset();
        mCore = std::make_unique<AppCore>(
            CorePorts{mDesktop, mWindow, mWindow, mWindow, mPrompt, mUi}, mIni, mCapture.string());
        mPort = test::freePort();
        const std::size_t before = mWindow.linesOf("Server").size();
        EXPECT_EQ(mCore->start("127.0.0.1", std::to_string(mPort)), std::nullopt);
        // Listening has begun once the listener says so.
        mWindow.waitForLines("Server", before + 1);
        return *mCore;
    }
    // A scan from the phone: the barcode, then Enter; the reply.
    std::string scan(const std::string& barcode) {
        const phone::Outcome outcome =
            phone::converse("127.0.0.1", mPort, "PHONE", "102\t" + barcode + "\t1\t1\t0");
        EXPECT_EQ(outcome.error, "");
        mUi.runPosted();
        return outcome.reply.value_or("(none)");
    }
    std::size_t notTakenLines() {
        std::size_t count = 0;
        for (const std::string& line : mWindow.linesOf("PHONE")) {
            count += line.find(kNotTaken) != std::string::npos ? 1 : 0;
        }
        return count;
    }

    test::TempFolder mFolder;
    const fs::path mIni = mFolder / "korvane-server.ini";
    const fs::path mCapture = mFolder / "capture.png";
    X11Desktop mDesktop;
    test::FakeWindow mWindow;
    test::FakePrompt mPrompt;
    test::QueuedUiThread mUi;
    std::unique_ptr<AppCore> mCore;
    std::uint16_t mPort = 0;
};

// The first scan into bash is pasted and lost, and said so; its window's kind is kept in the
// settings file, and from then on, in this run and the next, scans are typed and arrive whole.
// Forgotten in the options, the kind is pasted into again.
TEST_F(XtermAutomaticTest, AMissedPasteTeachesTheKindAndItsScansAreTypedFromThenOn) {
    BashInXterm bash(mFolder.path());
    ASSERT_TRUE(bash.started()) << "xterm did not come up focused";
    startCore();

    EXPECT_EQ(scan("4901234567894"), "102\t1");
    EXPECT_EQ(notTakenLines(), 1u);
    EXPECT_EQ(bash.lines(), "") << "the paste's Enter went in quoted";
    EXPECT_NE(readAll(mIni).find("[TypedWindowKinds]\nCount=1\nKind1=XTerm\n"), std::string::npos)
        << readAll(mIni);

    ASSERT_TRUE(bash.clearLine());
    EXPECT_EQ(scan("ABC-123 x/y"), "102\t1");
    EXPECT_EQ(bash.waitForLines("ABC-123 x/y\n"), "ABC-123 x/y\n");
    EXPECT_EQ(notTakenLines(), 1u);

    // The next run reads the kind back with the settings.
    AppCore& again = startCore();
    EXPECT_EQ(again.settings().typedWindowKinds, std::vector<std::string>{"XTerm"});
    EXPECT_EQ(scan("SECOND-RUN"), "102\t1");
    EXPECT_EQ(bash.waitForLines("ABC-123 x/y\nSECOND-RUN\n"), "ABC-123 x/y\nSECOND-RUN\n");
    EXPECT_EQ(notTakenLines(), 1u);

    OptionsForm form = OptionsForm::of(again.settings(), false);
    form.forget("XTerm");
    ASSERT_EQ(again.writeOptions(form.chosen(again.settings())), std::nullopt);
    EXPECT_NE(readAll(mIni).find("[TypedWindowKinds]\nCount=0\n"), std::string::npos)
        << readAll(mIni);
    EXPECT_EQ(scan("PASTED-AGAIN"), "102\t1");
    EXPECT_EQ(notTakenLines(), 2u);
    EXPECT_EQ(bash.lines(), "ABC-123 x/y\nSECOND-RUN\n");
}

// korvane-host takes the automatic method from the settings' [Options] as the window program does:
// its first scan into bash is reported and its kind written back at once, its next is typed.
TEST_F(XtermAutomaticTest, KorvaneHostLearnsAndTypesAsTheWindowProgramDoes) {
    BashInXterm bash(mFolder.path());
    ASSERT_TRUE(bash.started()) << "xterm did not come up focused";
    const fs::path runtime = mFolder / "runtime";
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    const std::uint16_t port = test::freePort();
    test::ChildProcess host({KORVANE_HOST, "--address", "127.0.0.1", "--port", std::to_string(port),
                             "--settings", mIni.string(), "--capture", mCapture.string()},
                            {"XDG_RUNTIME_DIR=" + runtime.string()});
    // The host's log lines, read until one holds `part`; what was read, for the failure's message.
    std::string read;
    const auto lineWith = [&host, &read](const std::string& part) {
        for (std::string line = host.readLine(); !line.empty(); line = host.readLine()) {
            read += line + "\n";
            if (line.find(part) != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(lineWith("待ち受けを開始しました。")) << read;
    const auto scan = [port](const std::string& barcode) {
        return phone::converse("127.0.0.1", port, "PHONE", "102\t" + barcode + "\t1\t1\t0")
            .reply.value_or("(none)");
    };

    EXPECT_EQ(scan("HOST-1"), "102\t1");
    EXPECT_TRUE(lineWith(kNotTaken)) << read;
    EXPECT_NE(readAll(mIni).find("Kind1=XTerm\n"), std::string::npos) << readAll(mIni);
    ASSERT_TRUE(bash.clearLine());
    EXPECT_EQ(scan("HOST-2"), "102\t1");
    EXPECT_EQ(bash.waitForLines("HOST-2\n"), "HOST-2\n");
    host.terminate();
}

}  // namespace
}  // namespace korvane
