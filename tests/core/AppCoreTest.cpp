// The application core with fakes of its ports, its server on 127.0.0.1 and a real phone client:
// the listening state and the close rules, the options of the settings file reaching request
// handling, the options' own save, and the automatic start.
#include "core/AppCore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/core/QueuedUiThread.h"
#include "tests/handling/FakeDesktop.h"
#include "tests/handling/HandlerHarness.h"
#include "tests/support/Loopback.h"
#include "tests/support/TempFolder.h"
#include "tools/PhoneClient.h"

namespace korvane {
namespace {

// The permission bits, 0 when the path is missing.
unsigned modeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// A umask that leaves what is made readable by everyone, as most sessions have.
class OpenUmask {
  public:
    OpenUmask() : mOld(::umask(022)) {}
    ~OpenUmask() { ::umask(mOld); }

  private:
    mode_t mOld;
};

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class AppCoreTest : public ::testing::Test {
  protected:
    void writeSettings(const std::string& text) { std::ofstream(mIni, std::ios::binary) << text; }
    AppCore& core() {
        if (!mCore) {
            mCore = std::make_unique<AppCore>(
                CorePorts{mDesktop, mWindow, mWindow, mWindow, mPrompt, mUi}, mIni,
                mCapture.string());
        }
        return *mCore;
    }
    std::uint16_t listen() {
        const std::uint16_t port = test::freePort();
        // Lines of the core's own may come before listening begins.
        core();
        const std::size_t before = mWindow.linesOf("Server").size();
        EXPECT_EQ(core().start("127.0.0.1", std::to_string(port)), std::nullopt);
        mWindow.waitForLines("Server", before + 1);
        return port;
    }
    std::size_t linesWith(const std::string& part) {
        const auto lines = mWindow.Lines();
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(part) != std::string::npos;
        });
    }

    test::TempFolder mFolder;
    std::filesystem::path mIni = mFolder / "korvane-server.ini";
    std::filesystem::path mCapture = mFolder / "capture.png";
    test::FakeDesktop mDesktop;
    test::FakeWindow mWindow;
    test::FakePrompt mPrompt;
    test::QueuedUiThread mUi;
    std::unique_ptr<AppCore> mCore;
};

TEST_F(AppCoreTest, StartRefusalsListeningAndTheCloseRules) {
    writeSettings("[Setting]\nIpAddress=192.0.2.5\nDeviceApproval=0\n");
    EXPECT_EQ(core().selectedAddress(), "192.0.2.5");
    EXPECT_EQ(core().requestClose(), CloseAnswer::AskToConfirm);

    struct Case {
        std::string address, port;
        StartRefusal::Reason reason;
        std::string detail;
    };
    const Case refused[] = {
        {"", "65001", StartRefusal::Reason::NoAddress, ""},
        {"127.0.0.1", "65o01", StartRefusal::Reason::PortNotInteger, "65o01"},
        {"127.0.0.1", "", StartRefusal::Reason::PortNotInteger, ""},
    };
    for (const Case& c : refused) {
        auto refusal = core().start(c.address, c.port);
        ASSERT_TRUE(refusal) << c.port;
        EXPECT_EQ(refusal->reason, c.reason);
        EXPECT_EQ(refusal->detail, c.detail);
        EXPECT_FALSE(core().isListening());
    }
    // A refused port still takes the address it was given.
    EXPECT_EQ(core().selectedAddress(), "127.0.0.1");

    const std::uint16_t port = listen();
    EXPECT_TRUE(core().isListening());
    EXPECT_EQ(core().requestClose(), CloseAnswer::StillListening);
    EXPECT_EQ(phone::converse("127.0.0.1", port, "K", "101").reply, "101\t1");
    auto again = core().start("127.0.0.1", std::to_string(port));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->reason, StartRefusal::Reason::ServerRefused);

    core().stop();
    for (int i = 0; i < 500 && mWindow.stoppedCount() == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(mWindow.stoppedCount(), 1);
    // Still listening until the front end passes the listener's end on.
    EXPECT_TRUE(core().isListening());
    core().listenerEnded();
    EXPECT_EQ(core().requestClose(), CloseAnswer::AskToConfirm);
    core().endSession();
    EXPECT_EQ(core().requestClose(), CloseAnswer::Accept);
}

TEST_F(AppCoreTest, TheOptionsOfTheSettingsFileReachRequestHandling) {
    writeSettings(
        "[Setting]\nDeviceApproval=0\n[Options]\nDuplicateSeconds=60\nScanHistory=1\n"
        "InputMethod=1\nKeyDelay=5000\n");
    const std::uint16_t port = listen();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(phone::converse("127.0.0.1", port, "K", "102\tABC-1\t1\t1\t0").reply, "102\t1");
    }
    // Typed keys, the delay held to 1 s; the repeat within a minute is not typed again.
    const auto calls = mDesktop.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "type 42 [ABC-1] 1000ms"), 1)
        << ::testing::PrintToString(calls);
    EXPECT_EQ(linesWith("[Client_Skip]重複スキャンのため入力しませんでした:ABC-1"), 1u);
    const std::string history = readAll(core().historyFile());
    EXPECT_NE(history.find("typed"), std::string::npos) << history;
    EXPECT_NE(history.find("skipped: duplicate"), std::string::npos) << history;
    EXPECT_EQ(core().historyFile(), mFolder / "history" / "korvane-scans.csv");
}

TEST_F(AppCoreTest, WrittenOptionsApplyAndKeepADeviceApprovedMeanwhile) {
    writeSettings("[Setting]\nPortNo=1234\n");
    AppSettings options = core().settings();
    // Another program (or a server thread) approves a phone after the settings were read.
    writeSettings("[Setting]\nPortNo=1234\n[Devices]\nCount=1\nDevice1=SHOP-1 192.0.2.7 x\n");
    options.duplicateSeconds = 60;
    options.portNo = "999";  // not an option: stays as read, and is not written
    ASSERT_EQ(core().writeOptions(options), std::nullopt);
    EXPECT_EQ(readAll(mIni),
              "[Setting]\nPortNo=1234\n[Devices]\nCount=1\nDevice1=SHOP-1 192.0.2.7 x\n"
              "[Options]\nDuplicateSeconds=60\n");
    EXPECT_EQ(core().settings().duplicateSeconds, 60);
    EXPECT_EQ(core().settings().portNo, "1234");

    // The save at exit writes the fields it is given with the options as applied.
    AppSettings fields;
    fields.portNo = "4321";
    ASSERT_EQ(core().saveSettings(fields), std::nullopt);
    const std::string saved = readAll(mIni);
    EXPECT_NE(saved.find("PortNo=4321"), std::string::npos) << saved;
    EXPECT_NE(saved.find("DuplicateSeconds=60"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Device1=SHOP-1"), std::string::npos) << saved;
}

// A kind of window learned on a server thread is written by the front end's thread, and kept at
// exit; forgetting it from the options takes only what the front end had listed, so a kind
// learned after it last heard stays.
TEST_F(AppCoreTest, TypedWindowKindsAreSavedWhenLearnedAndForgottenOnlyAsListed) {
    writeSettings("[Setting]\nDeviceApproval=0\n[Options]\nInputMethod=2\n");
    const std::uint16_t port = listen();
    mDesktop.pasteTaken = false;
    mDesktop.windowKind = "XTerm";
    phone::converse("127.0.0.1", port, "K", "102\tA\t1\t1\t0");
    EXPECT_EQ(readAll(mIni).find("XTerm"), std::string::npos) << "saved before its thread ran";
    const AppSettings listed = core().settings();
    EXPECT_TRUE(listed.typedWindowKinds.empty());
    EXPECT_GE(mUi.runPosted(), 1u);
    EXPECT_NE(readAll(mIni).find("[TypedWindowKinds]\nCount=1\nKind1=XTerm\n"), std::string::npos)
        << readAll(mIni);
    EXPECT_EQ(core().settings().typedWindowKinds, std::vector<std::string>{"XTerm"});

    // Learned while the options shown were those of `listed`, which did not list it.
    mDesktop.windowKind = "Konsole";
    phone::converse("127.0.0.1", port, "K", "102\tB\t1\t1\t0");
    ASSERT_EQ(core().writeOptions(listed), std::nullopt);
    mUi.runPosted();
    EXPECT_EQ(core().settings().typedWindowKinds, std::vector<std::string>{"Konsole"});
    AppSettings forgetting = core().settings();
    forgetting.typedWindowKinds.clear();
    ASSERT_EQ(core().writeOptions(forgetting), std::nullopt);
    mUi.runPosted();
    EXPECT_TRUE(core().settings().typedWindowKinds.empty());
    EXPECT_NE(readAll(mIni).find("[TypedWindowKinds]\nCount=0\n"), std::string::npos)
        << readAll(mIni);

    mDesktop.windowKind = "Emacs";
    phone::converse("127.0.0.1", port, "K", "102\tC\t1\t1\t0");
    ASSERT_EQ(core().saveSettings(AppSettings{}), std::nullopt) << "before the thread ran";
    EXPECT_NE(readAll(mIni).find("Kind1=Emacs"), std::string::npos) << readAll(mIni);
}

TEST_F(AppCoreTest, AFailedOptionsWriteIsReportedAndTheOptionsStillApply) {
    mIni = "/proc/self/korvane-server.ini";
    AppSettings options = core().settings();
    options.scanHistory = true;
    EXPECT_EQ(core().writeOptions(options), "/proc/self/korvane-server.ini に書き込めません");
    EXPECT_TRUE(core().settings().scanHistory);
}

TEST_F(AppCoreTest, AnApprovalIsSavedByTheFrontEndsThread) {
    writeSettings("[Setting]\nPortNo=1234\n");
    const std::uint16_t port = listen();
    phone::converse("127.0.0.1", port, "NEW", "102\tX\t1\t1\t0");
    ASSERT_EQ(mPrompt.questions(), std::vector<std::string>{"NEW@127.0.0.1"});
    core().approval().answer("NEW", "127.0.0.1", ApprovalAnswer::Always);
    EXPECT_EQ(readAll(mIni).find("NEW"), std::string::npos) << "saved before its thread ran";
    EXPECT_GE(mUi.runPosted(), 1u);
    EXPECT_NE(readAll(mIni).find("Device1=NEW 127.0.0.1 "), std::string::npos) << readAll(mIni);
}

// A stranger sending settings checks under a fresh key every 5 ms from one address keeps one
// entry of the waiting phones busy and nothing more: the real phone asking from another address is
// listed, once, with its count, approved from the desk and types; the stranger's address refused
// stays quiet; the decisions and the flood's warning are among the security lines.
TEST_F(AppCoreTest, ARealPhoneIsListedAndApprovedDuringAFreshKeyFlood) {
    writeSettings("[Setting]\nPortNo=1234\n");
    const std::uint16_t port = listen();
    std::atomic<bool> flooding{true};
    std::atomic<int> flooded{0};
    std::thread flooder([&] {
        for (int n = 0; flooding; ++n) {
            phone::converse("127.0.0.1", port, "F" + std::to_string(n), "101", true, 5000,
                            "127.0.0.1");
            ++flooded;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const auto floodFor = [&](int more) {
        const int until = flooded + more;
        while (flooded < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    floodFor(20);
    for (int n = 0; n < 5; ++n) {
        EXPECT_EQ(
            phone::converse("127.0.0.1", port, "REALPHONE", "101", true, 5000, "127.0.0.2").reply,
            "101\t1");
    }
    floodFor(20);
    ApprovalDesk& desk = core().approvalDesk();
    WaitingPhones waiting = desk.waitingPhones();
    ASSERT_EQ(waiting.phones.size(), 2u);
    const UnknownPhone& real =
        waiting.phones[0].address == "127.0.0.2" ? waiting.phones[0] : waiting.phones[1];
    const UnknownPhone& stranger =
        waiting.phones[0].address == "127.0.0.1" ? waiting.phones[0] : waiting.phones[1];
    EXPECT_EQ(real.clientKey, "REALPHONE");
    EXPECT_EQ(real.requests, 5u);
    EXPECT_GE(stranger.keyChanges, 39u);
    EXPECT_TRUE(waiting.manyAtOnce);

    desk.answer("REALPHONE", "127.0.0.2", ApprovalAnswer::Always);
    EXPECT_EQ(phone::converse("127.0.0.1", port, "REALPHONE", "102\tABC\t1\t1\t0", true, 5000,
                              "127.0.0.2")
                  .reply,
              "102\t1");
    const auto calls = mDesktop.calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "paste 42 [ABC]"), calls.end());

    desk.answer(stranger.clientKey, "127.0.0.1", ApprovalAnswer::RefuseAddress);
    floodFor(20);
    EXPECT_TRUE(desk.waitingPhones().phones.empty());
    flooding = false;
    flooder.join();
    const auto asked = mPrompt.questions();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "REALPHONE@127.0.0.2"), 1);
    EXPECT_EQ(asked.size(), 2u) << "the stranger's address joined the list once";

    const std::vector<std::string> security = desk.securityLines();
    ASSERT_GE(security.size(), 3u);
    EXPECT_TRUE(security[0].ends_with(
        "[127.0.0.1][Approval]端末キーとアドレスを今回の実行中は拒否します。"))
        << security[0];
    EXPECT_TRUE(security[1].ends_with("[REALPHONE][127.0.0.2][Approval]端末を承認しました。"))
        << security[1];
    EXPECT_TRUE(security.back().ends_with(
        "[Server][Approval]"
        "短い時間に多くの未承認の端末キーから要求がありました。心当たりのない端末は"
        "許可しないでください。"))
        << security.back();
}

// Settings just taken over from beside the program are said once, in plain words, under the
// "Setting" source; a run that found its own file says nothing.
TEST_F(AppCoreTest, SettingsTakenFromBesideTheProgramAreSaidInTheLog) {
    core().announceSettingsPlace(SettingsPlace{mIni, {}});
    EXPECT_TRUE(mWindow.linesOf("Setting").empty());
    core().announceSettingsPlace(SettingsPlace{mIni, "/opt/korvane/korvane-server.ini"});
    EXPECT_EQ(mWindow.waitForLines("Setting", 1),
              std::vector<std::string>{
                  "[Setting]設定ファイル /opt/korvane/korvane-server.ini には保存できない"
                  "ため、その内容を引き継ぎ、設定は " +
                  mIni.string() + " に保存します。"});
}

// The approved phones' keys and the customers' numbers are the user's alone, however open the
// umask: the settings file and the history file 0600, their folders 0700 (the settings' folder
// because it is the program's own: named for it, not the program file's).
TEST_F(AppCoreTest, TheSettingsAndTheHistoryAreWrittenForTheUserAlone) {
    OpenUmask umask;
    mIni = mFolder / "config" / "korvane-server" / "korvane-server.ini";
    std::filesystem::create_directories(mIni.parent_path().parent_path());
    const std::uint16_t port = listen();
    AppSettings options = core().settings();
    options.scanHistory = true;
    core().applyOptions(options);
    phone::converse("127.0.0.1", port, "NEW", "101");
    core().approval().answer("NEW", "127.0.0.1", ApprovalAnswer::Always);
    mUi.runPosted();
    ASSERT_NE(readAll(mIni).find("Device1=NEW 127.0.0.1 "), std::string::npos) << readAll(mIni);
    EXPECT_EQ(modeOf(mIni), 0600u);
    EXPECT_EQ(modeOf(mIni.parent_path()), 0700u);
    EXPECT_EQ(modeOf(mFolder / "config"), 0755u) << "not the program's own folder";

    phone::converse("127.0.0.1", port, "NEW", "102\tABC-1\t1\t1\t0");
    ASSERT_NE(readAll(core().historyFile()).find("ABC-1"), std::string::npos);
    EXPECT_EQ(modeOf(core().historyFile()), 0600u);
    EXPECT_EQ(modeOf(core().historyFile().parent_path()), 0700u);
    EXPECT_EQ(linesWith("[Files]"), 0u) << "nothing had to be tightened";

    // Written again over a file that the user opened on purpose, the file keeps its mode.
    std::filesystem::permissions(mIni, std::filesystem::perms(0640));
    ASSERT_EQ(core().writeOptions(options), std::nullopt);
    EXPECT_EQ(modeOf(mIni), 0640u);
}

// Files of an earlier run, written when they were open to everyone, are tightened as the run
// begins, a log line for each; folders that are not the program's own are left alone.
TEST_F(AppCoreTest, FilesOpenToOthersAreTightenedAtTheStart) {
    OpenUmask umask;
    const auto own = mFolder / "korvane-server";
    const auto history = own / "history";
    const auto cache = mFolder / "cache";
    const auto captures = cache / "korvane-server";
    std::filesystem::create_directories(history);
    std::filesystem::create_directories(captures);
    mCapture = captures / "korvane-server.png";
    mIni = own / "korvane-server.ini";
    writeSettings("[Setting]\nPortNo=1234\n");
    std::ofstream(history / "korvane-scans.csv") << "x";
    std::ofstream(history / "korvane-scans.1.csv") << "y";
    for (const auto& path : {own, history, cache, captures}) {
        ::chmod(path.c_str(), 0755);
    }
    for (const auto& path :
         {mIni, history / "korvane-scans.csv", history / "korvane-scans.1.csv"}) {
        ::chmod(path.c_str(), 0644);
    }
    core();
    EXPECT_EQ(modeOf(cache), 0755u);
    for (const auto& path : {own, history, captures}) {
        EXPECT_EQ(modeOf(path), 0700u) << path;
        EXPECT_EQ(linesWith("[Server][Files]" + path.string() +
                            " を他のユーザーから読めないように変更しました。"),
                  1u)
            << path;
    }
    for (const auto& path :
         {mIni, history / "korvane-scans.csv", history / "korvane-scans.1.csv"}) {
        EXPECT_EQ(modeOf(path), 0600u) << path;
        EXPECT_EQ(linesWith("[Server][Files]" + path.string() +
                            " を他のユーザーから読めないように変更しました。"),
                  1u)
            << path;
    }

    // A second run finds nothing to tighten.
    const std::size_t lines = linesWith("[Files]");
    mCore.reset();
    core();
    EXPECT_EQ(linesWith("[Files]"), lines);
}

// The window's automatic start: armed once the splash has closed, it runs 100 ms later on the
// front end's thread, reads the automatic start box only then, and starts nothing twice.
TEST_F(AppCoreTest, TheAutomaticStartRunsOnceLaterWhenChosen) {
    writeSettings("[Setting]\nDeviceApproval=0\n");
    const std::string port = std::to_string(test::freePort());
    bool chosen = true;
    int starts = 0;
    auto startListening = [&] {
        ++starts;
        EXPECT_EQ(core().start("127.0.0.1", port), std::nullopt);
    };
    core();
    EXPECT_EQ(mUi.runPosted(), 0u) << "nothing is armed before the front end shows";
    EXPECT_TRUE(mUi.delays().empty());

    core().armAutomaticStart([&] { return chosen; }, startListening);
    // A second arm while the first waits, as a splash closing twice would.
    core().armAutomaticStart([&] { return chosen; }, startListening);
    EXPECT_EQ(mUi.delays(), std::vector<std::chrono::milliseconds>{kAutomaticStartDelay});
    EXPECT_EQ(kAutomaticStartDelay, std::chrono::milliseconds(100));
    EXPECT_EQ(starts, 0) << "not before the delay";
    EXPECT_EQ(mUi.runPosted(), 1u);
    EXPECT_EQ(starts, 1);
    EXPECT_TRUE(core().isListening());
    EXPECT_EQ(mUi.runPosted(), 0u) << "once";

    // Armed again while listening (the user started first): nothing starts a second time.
    core().armAutomaticStart([&] { return chosen; }, startListening);
    EXPECT_EQ(mUi.runPosted(), 1u);
    EXPECT_EQ(starts, 1);
}

TEST_F(AppCoreTest, TheAutomaticStartFollowsTheBoxAsItIsWhenItRuns) {
    for (const bool chosenAtRun : {false, true}) {
        SCOPED_TRACE(chosenAtRun);
        bool chosen = !chosenAtRun;
        int starts = 0;
        core().armAutomaticStart([&] { return chosen; }, [&] { ++starts; });
        chosen = chosenAtRun;  // the user changes the box within the delay
        EXPECT_EQ(mUi.runPosted(), 1u);
        EXPECT_EQ(starts, chosenAtRun ? 1 : 0);
    }
}

// Fresh keys' settings checks, as fast as a few connections at a time go, until stopped.
class FreshKeyFlood {
  public:
    explicit FreshKeyFlood(std::uint16_t port) {
        for (int t = 0; t < kThreads; ++t) {
            mThreads.emplace_back([this, port, t] {
                for (int n = 0; !mStop; ++n) {
                    phone::converse("127.0.0.1", port,
                                    "F" + std::to_string(t) + "-" + std::to_string(n), "101");
                    ++mSent;
                }
            });
        }
    }
    ~FreshKeyFlood() {
        mStop = true;
        for (std::thread& thread : mThreads) {
            thread.join();
        }
    }
    int sent() const { return mSent; }

  private:
    static constexpr int kThreads = 4;
    std::atomic<bool> mStop{false};
    std::atomic<int> mSent{0};
    std::vector<std::thread> mThreads;
};

// While strangers flood the server with fresh keys, the phone that scans the code shown on the
// screen is approved and nothing is typed; the approval is saved by the front end's thread and
// holds when the settings are read again by the next run, whose first barcode from it is typed.
TEST_F(AppCoreTest, APhoneScanningTheCodeIsApprovedForGoodDuringAFlood) {
    writeSettings("[Setting]\nPortNo=1234\n");
    const std::uint16_t port = listen();
    const std::string code = core().approvalCode().issue().value();
    {
        FreshKeyFlood flood(port);
        while (flood.sent() < 200) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const phone::Outcome outcome =
            phone::converse("127.0.0.1", port, "REAL", "102\t" + code + "\t1\t1\t0");
        EXPECT_EQ(outcome.reply.value_or("(none)"), "102\t1");
        EXPECT_EQ(outcome.fileName.value_or("(none)"), "capture.png");
        EXPECT_GT(mPrompt.questions().size(), 0u) << "the flood was asked about";
    }
    EXPECT_EQ(mDesktop.calls(), (std::vector<std::string>{"focus", "capture 42 7,9 wait 0"}));
    EXPECT_GE(mUi.runPosted(), 1u);
    EXPECT_NE(readAll(mIni).find("Device1=REAL 127.0.0.1 "), std::string::npos) << readAll(mIni);

    mCore.reset();
    test::FakeDesktop nextDesktop;
    AppCore next(CorePorts{nextDesktop, mWindow, mWindow, mWindow, mPrompt, mUi}, mIni,
                 mCapture.string());
    ASSERT_EQ(next.approval().devices().size(), 1u);
    EXPECT_EQ(next.approval().devices()[0].clientKey, "REAL");
    const std::uint16_t nextPort = test::freePort();
    const std::size_t before = mWindow.linesOf("Server").size();
    ASSERT_EQ(next.start("127.0.0.1", std::to_string(nextPort)), std::nullopt);
    mWindow.waitForLines("Server", before + 1);
    const phone::Outcome typed =
        phone::converse("127.0.0.1", nextPort, "REAL", "102\tX-1\t1\t1\t0");
    EXPECT_EQ(typed.reply.value_or(typed.error), "102\t1");
    ASSERT_GE(nextDesktop.calls().size(), 2u);
    EXPECT_EQ(nextDesktop.calls()[1], "paste 42 [X-1]");
    EXPECT_EQ(next.approvalCode().match(code), ApprovalCode::Match::Other) << "codes live one run";
}

}  // namespace
}  // namespace korvane
