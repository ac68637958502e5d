#include "desktop/kde/KwinDesktop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "desktop/DesktopFactory.h"
#include "desktop/wayland/WaylandClipboardOwner.h"
#include "desktop/wayland/WaylandClipboardReader.h"
#include "desktop/wayland/WlrootsDesktop.h"
#include "tests/desktop/ChildProcess.h"
#include "tests/desktop/DecodedPng.h"
#include "tests/desktop/KwinSession.h"
#include "tests/desktop/WaylandWindow.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildProcess;
using test::DecodedPng;
using test::KwinSession;

const std::string kKanji = "漢字テキスト";

// A Qt program's environment: Qt's Wayland platform, and the accessibility bus joined without a
// screen reader.
std::vector<std::string> withQt(std::vector<std::string> environment) {
    environment.push_back("QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1");
    return environment;
}

// The shared headless KWin and a native Wayland GTK entry (zenity) in it. The desktop is made
// once the entry is KWin's active window: its fake input device is then new to a running client.
// The test program is trusted through the desktop file the fixture wrote for it.
class KwinDesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        bool installed = true;
        mKwin = KwinSession::shared(why, installed);
        if (!installed) {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(mKwin) << why;
        mKwin->enter();
        mFolder = fs::temp_directory_path() / ("korvane-kwin-" + std::to_string(::getpid()));
        fs::create_directories(mFolder);
    }
    void TearDown() override {
        mDesktop.reset();
        mZenity.reset();
        if (!mFolder.empty()) {
            fs::remove_all(mFolder);
        }
    }

    // Starts zenity with `arguments` and waits until its window is active; the desktop is made
    // then.
    WindowHandle startZenity(const std::vector<std::string>& arguments,
                             std::vector<std::string> ownAppIds = {"korvane-none"}) {
        std::vector<std::string> argv{"zenity"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        mZenity.emplace(argv, mKwin->clientEnvironment());
        if (!mKwin->waitForActive("zenity")) {
            ADD_FAILURE() << "zenity did not become the active window";
            return 0;
        }
        mDesktop.emplace("", std::move(ownAppIds));
        DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
        if (focused) {
            return focused->window;
        }
        if (focused.error().kind() != DesktopError::Kind::OwnWindow) {
            ADD_FAILURE() << focused.error().message();
        }
        return 0;
    }

    std::string capturePath() const { return (mFolder / "capture.png").string(); }

    std::optional<KwinSession> mKwin;
    std::optional<ChildProcess> mZenity;
    std::optional<KwinDesktop> mDesktop;
    fs::path mFolder;
};

// KWin is told apart from wlroots compositors and from none, and named in the log.
TEST_F(KwinDesktopTest, DetectionPicksKwin) {
    EXPECT_TRUE(isKwinCompositor(""));
    EXPECT_FALSE(missingWlrootsProtocols("").empty());
    EXPECT_FALSE(isKwinCompositor("korvane-no-such-display"));
    ::setenv("XDG_SESSION_TYPE", "wayland", 1);
    ::setenv("DISPLAY", ":99", 1);
    const DesktopChoice kwin = detectDesktop();
    EXPECT_EQ(kwin.desktop, DesktopKind::Kwin);
    EXPECT_EQ(kwin.name, "Wayland (KDE Plasma)");
    EXPECT_EQ(kwin.notice, "");
    EXPECT_NE(makeDesktop(kwin), nullptr);
}

// The first key of the new fake input device (Control of Control+V) must act, the text must
// arrive whole, kanji included, and Enter must come after it: zenity prints what its entry holds
// when Enter closes it.
TEST_F(KwinDesktopTest, PastesTextThenEnterIntoANativeEntry) {
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(mDesktop->pasteText(window, "ABC-123")) << "paste";
    EXPECT_FALSE(mDesktop->pasteText(window, kKanji)) << "paste";
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "1")) << "Enter";
    EXPECT_EQ(mZenity->readLine(10000), "ABC-123" + kKanji);
}

// Tab moves from the user name to the password field; Enter then submits both, "|" between them.
TEST_F(KwinDesktopTest, TabMovesToTheNextField) {
    const WindowHandle window = startZenity({"--password", "--username"});
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(mDesktop->pasteText(window, "ABC-123"));
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "2"));
    EXPECT_FALSE(mDesktop->pasteText(window, kKanji));
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "1"));
    EXPECT_EQ(mZenity->readLine(10000), "ABC-123|" + kKanji);
}

// Typed keys: what the layout types goes as keys (Shift where needed, a line break as Enter and
// a TAB as Tab), the rest is pasted in its place; the pause between keys is kept.
TEST_F(KwinDesktopTest, TypesTheLayoutsKeysAndPastesTheRest) {
    const WindowHandle window = startZenity({"--password", "--username"});
    ASSERT_NE(window, 0u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(mDesktop->typeText(window, "Ab-1~" + kKanji + "z\x01\tp@" + "é\n", 30ms));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(mZenity->readLine(10000), "Ab-1~" + kKanji + "z|p@é");
    // Five keys before the kanji, four between them and the accent: seven pauses at least.
    EXPECT_GE(took, 7 * 30ms);
}

// With restoring, the entry gets the barcode and the clipboard the text it held before.
TEST_F(KwinDesktopTest, PasteRestoresThePreviousClipboard) {
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    wayland::WaylandClipboardOwner other("");
    ASSERT_EQ(other.setText("前のテキスト").message(), "");
    EXPECT_FALSE(mDesktop->pasteTextRestoringClipboard(window, kKanji));
    EXPECT_EQ(wayland::readClipboardText("", 1s), "前のテキスト");
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "1"));
    EXPECT_EQ(mZenity->readLine(10000), kKanji);
}

// The capture around the caret shows the entry: its light background and the dark text pasted
// into it, left of the caret at the centre.
TEST_F(KwinDesktopTest, CaptureShowsTheEntry) {
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    ASSERT_FALSE(mDesktop->pasteText(window, "WWWWWWWWWWWWWWWW"));
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    ASSERT_TRUE(focused) << focused.error().message();
    ASSERT_TRUE(focused->caret.has_value()) << "the caret did not come from the accessibility bus";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_FALSE(mDesktop->capture(focused->window, *focused->caret, CaptureShape::centred(), 0,
                                   start, capturePath()));
    std::cout << "capture with no pause took "
              << std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count()
              << " ms\n";
    DecodedPng png;
    std::string error;
    ASSERT_TRUE(test::readPngFile(capturePath(), png, error)) << error;
    ASSERT_EQ(png.width, 320u);
    ASSERT_EQ(png.height, 240u);
    int light = 0;
    int dark = 0;
    for (std::uint32_t x = 0; x < 160; ++x) {
        for (std::uint32_t y = 110; y < 130; ++y) {
            const DecodedPng::Pixel p = png.at(x, y);
            const int sum = p.r + p.g + p.b;
            light += sum > 600;
            dark += sum < 200;
        }
    }
    EXPECT_GT(light, 100) << "no entry background around the caret";
    EXPECT_GT(dark, 100) << "no text left of the caret";
}

// A native Wayland Qt field (Qt's Wayland platform, on the accessibility bus): the pasted kanji
// and Enter arrive, and the caret is known.
TEST_F(KwinDesktopTest, PastesIntoAQtField) {
    ChildProcess field({KORVANE_QT_LINE_EDIT, "empty"}, withQt(mKwin->clientEnvironment()));
    ASSERT_FALSE(field.readLine(20000).empty()) << "the Qt field did not start";
    ASSERT_TRUE(mKwin->waitForActive(fs::path(KORVANE_QT_LINE_EDIT).filename().string()))
        << "the Qt field did not become the active window";
    mDesktop.emplace("", std::vector<std::string>{"korvane-none"});
    // Qt answers on the accessibility bus a moment after its window is shown.
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (focused && !focused->caret && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);
        focused = mDesktop->focusedWindow();
    }
    ASSERT_TRUE(focused) << focused.error().message();
    EXPECT_TRUE(focused->caret.has_value()) << "no caret from the accessibility bus";
    EXPECT_FALSE(mDesktop->pasteText(focused->window, "ABC-123" + kKanji));
    EXPECT_FALSE(mDesktop->pressSuffixKey(focused->window, "1"));
    EXPECT_EQ(field.readLine(10000), "ABC-123" + kKanji);
}

// A program no desktop file names gets no fake input and no picture: the paste fails before it
// touches the clipboard, saying why, and the capture is black. The test runs a copy of itself
// from a folder no desktop file names, which checks that side.
TEST_F(KwinDesktopTest, UntrustedProgramGetsNoKeysAndNoPicture) {
    const std::string name = "KwinDesktopTest.UntrustedProgramGetsNoKeysAndNoPicture";
    if (std::getenv("KORVANE_KWIN_UNTRUSTED") == nullptr) {
        const fs::path copy = mFolder / "untrusted-copy";
        fs::copy_file("/proc/self/exe", copy);
        ChildProcess untrusted({copy.string(), "--gtest_filter=" + name},
                               {"KORVANE_KWIN_UNTRUSTED=1"});
        // Its output up to GoogleTest's verdict (blank lines read as empty).
        std::string output;
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (line.rfind("[  PASSED  ]", 0) != 0 && line.rfind("[  FAILED  ]", 0) != 0 &&
               std::chrono::steady_clock::now() < deadline) {
            line = untrusted.readLine(1000);
            output += line + "\n";
        }
        EXPECT_EQ(line, "[  PASSED  ] 1 test.") << output;
        return;
    }
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    wayland::WaylandClipboardOwner other("");
    ASSERT_EQ(other.setText("前のテキスト").message(), "");
    const DesktopError failed = mDesktop->pasteText(window, "ABC-123");
    EXPECT_EQ(failed.kind(), DesktopError::Kind::Keys);
    EXPECT_NE(failed.message().find("X-KDE-Wayland-Interfaces"), std::string::npos)
        << failed.message();
    EXPECT_EQ(wayland::readClipboardText("", 1s), "前のテキスト");

    ASSERT_FALSE(mDesktop->capture(window, Point{10, 10}, CaptureShape::centred(), 0,
                                   std::chrono::steady_clock::now(), capturePath()));
    DecodedPng png;
    std::string error;
    ASSERT_TRUE(test::readPngFile(capturePath(), png, error)) << error;
    for (std::uint32_t y = 0; y < png.height; y += 7) {
        for (std::uint32_t x = 0; x < png.width; x += 7) {
            ASSERT_EQ(png.at(x, y), (DecodedPng::Pixel{0, 0, 0})) << x << "," << y;
        }
    }
}

// A window whose resource class is one of this program's is never typed into.
TEST_F(KwinDesktopTest, OwnWindowByResourceClass) {
    startZenity({"--entry"}, {"zenity"});
    ASSERT_TRUE(mDesktop);
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    ASSERT_FALSE(focused);
    EXPECT_EQ(focused.error().kind(), DesktopError::Kind::OwnWindow);
    EXPECT_EQ(focused.error().message(), "本プログラムがアクティブになっています。");
}

// A window of this very process is never typed into, whatever its app id: KWin names the
// process of the active window.
TEST_F(KwinDesktopTest, OwnWindowByProcess) {
    test::WaylandWindow own("korvane-probe", "KORVANE own window");
    ASSERT_TRUE(own.ok()) << "the test's own window did not appear";
    ASSERT_TRUE(mKwin->waitForActive("korvane-probe")) << "the test's own window is not active";
    mDesktop.emplace("", std::vector<std::string>{"korvane-none"});
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    ASSERT_FALSE(focused);
    EXPECT_EQ(focused.error().kind(), DesktopError::Kind::OwnWindow);
}

// A window closed after it was found is gone for the capture.
TEST_F(KwinDesktopTest, ClosedWindowIsGone) {
    const WindowHandle window = startZenity({"--entry"});
    ASSERT_NE(window, 0u);
    mZenity.reset();
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    DesktopError failed;
    do {
        failed = mDesktop->capture(window, Point{0, 0}, CaptureShape::centred(), 0,
                                   std::chrono::steady_clock::now(), capturePath());
    } while (!failed && std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(failed.kind(), DesktopError::Kind::WindowGone);
    EXPECT_EQ(failed.message(), "[ClientToScreen]が失敗しました。");
}

}  // namespace
}  // namespace korvane
