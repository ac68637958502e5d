#include "desktop/wayland/WlrootsDesktop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>

#include "desktop/DesktopFactory.h"
#include "desktop/wayland/SwayIpc.h"
#include "desktop/wayland/WaylandClipboardOwner.h"
#include "desktop/wayland/WaylandClipboardReader.h"
#include "platform/Trace.h"
#include "tests/desktop/ChildProcess.h"
#include "tests/desktop/DecodedPng.h"
#include "tests/desktop/KanjiText.h"
#include "tests/desktop/SwaySession.h"
#include "tests/desktop/WaylandWindow.h"

namespace korvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildProcess;
using test::DecodedPng;
using test::SwaySession;

const std::string kKanji = "漢字テキスト";
// Characters no US layout has: Latin with an accent, a kanji, one beyond the 16-bit range.
const std::string kOffLayout = "é漢𠮷";

// What the clipboard holds, asked as the program asks it.
std::optional<std::string> clipboardText() {
    return wayland::readClipboardText("", 1s);
}

// A real headless sway and a native Wayland GTK entry (zenity) in it. The desktop is made only
// once the entry has the focus: its virtual keyboard is then new to a client that is already
// running, which is where the first keys used to go missing.
class WlrootsDesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (SwaySession::findSway().empty()) {
            GTEST_SKIP() << "sway is not installed (scripts/install-deps installs it)";
        }
        mSway.emplace();
        ASSERT_TRUE(mSway->ok()) << mSway->failure();
        mSway->enter();
        mFolder = fs::temp_directory_path() / ("korvane-wlroots-" + std::to_string(::getpid()));
        fs::create_directories(mFolder);
    }
    void TearDown() override {
        mZenity.reset();
        if (!mFolder.empty()) {
            fs::remove_all(mFolder);
        }
    }

    // Starts zenity with `arguments` and waits until its window is the activated toplevel; the
    // desktop is made then.
    WindowHandle startZenity(const std::vector<std::string>& arguments,
                             std::vector<std::string> ownAppIds = {"korvane-none"}) {
        std::vector<std::string> argv{"zenity"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        mZenity.emplace(argv, mSway->clientEnvironment());
        if (!mSway->waitForFocus("zenity")) {
            ADD_FAILURE() << "zenity did not get the focus";
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

    std::optional<SwaySession> mSway;
    std::optional<ChildProcess> mZenity;
    std::optional<WlrootsDesktop> mDesktop;
    fs::path mFolder;
};

TEST_F(WlrootsDesktopTest, CompositorOffersEverythingTheDesktopNeeds) {
    EXPECT_EQ(missingWlrootsProtocols(""), std::vector<std::string>{});
    EXPECT_EQ(missingWlrootsProtocols("korvane-no-such-display"),
              std::vector<std::string>{"Wayland display"});
}

// The session detection asks the real compositor: sway offers the wlroots protocols; a Wayland
// display that does not answer leaves the X11 implementation with a notice.
TEST_F(WlrootsDesktopTest, DetectionPicksWlrootsForSway) {
    ::setenv("XDG_SESSION_TYPE", "wayland", 1);
    ::setenv("DISPLAY", ":99", 1);
    const DesktopChoice sway = detectDesktop();
    EXPECT_EQ(sway.desktop, DesktopKind::Wlroots);
    EXPECT_EQ(sway.name, "Wayland (wlroots)");
    EXPECT_EQ(sway.notice, "");
    EXPECT_NE(makeDesktop(sway), nullptr);

    ::setenv("WAYLAND_DISPLAY", "korvane-no-such-display", 1);
    const DesktopChoice none = detectDesktop();
    EXPECT_EQ(none.session, SessionKind::WaylandWithXWayland);
    EXPECT_EQ(none.desktop, DesktopKind::X11);
    EXPECT_NE(none.notice, "");
}

// The first key of the new keyboard (Control of Control+V) must act, the text must arrive whole,
// kanji included, and Enter must come after it: zenity prints what its entry holds when Enter
// closes it.
TEST_F(WlrootsDesktopTest, PastesTextThenEnterIntoANativeEntry) {
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(mDesktop->pasteText(window, "ABC-123")) << "paste";
    EXPECT_FALSE(mDesktop->pasteText(window, kKanji)) << "paste";
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "1")) << "Enter";
    EXPECT_EQ(mZenity->readLine(10000), "ABC-123" + kKanji);
}

// Typed keys: letters with and without Shift, kanji and characters no US layout has (each
// through a spare key of a new keymap, uploaded while the keys go), then Enter. The clipboard
// another program holds is left alone.
TEST_F(WlrootsDesktopTest, TypesTextIntoANativeEntryAndLeavesTheClipboard) {
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    wayland::WaylandClipboardOwner other("");
    ASSERT_EQ(other.setText("前のテキスト").message(), "");
    EXPECT_FALSE(mDesktop->typeText(window, "ABC-123", 0ms));
    EXPECT_FALSE(mDesktop->typeText(window, kKanji, 0ms));
    EXPECT_FALSE(mDesktop->typeText(window, kOffLayout, 0ms));
    EXPECT_FALSE(mDesktop->typeText(window, "ABC-123" + kOffLayout + kKanji, 0ms));
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "1"));
    EXPECT_EQ(mZenity->readLine(10000),
              "ABC-123" + kKanji + kOffLayout + "ABC-123" + kOffLayout + kKanji);
    EXPECT_EQ(clipboardText(), "前のテキスト");
}

// More different characters than the keymap has spare keys: the keymap is made again in the
// middle of the text, and the keys after it must still arrive whole and in order; so must two
// barcodes of 100 other kanji each typed right after it, each needing a keymap of its own.
TEST_F(WlrootsDesktopTest, TypesMoreCharactersThanSpareKeys) {
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    const std::string texts[] = {
        test::differentKanji(0x4E00, 300, 7),
        test::differentKanji(0x5800, 100),
        test::differentKanji(0x6000, 100),
    };
    std::string all;
    for (const std::string& text : texts) {
        EXPECT_FALSE(mDesktop->typeText(window, text, 0ms));
        all += text;
    }
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "1"));
    EXPECT_EQ(mZenity->readLine(20000), all);
}

// A line break is Enter and a TAB is Tab; other control characters are not typed. The pause
// between keys is kept.
TEST_F(WlrootsDesktopTest, TypedLineBreakAndTabAct) {
    const WindowHandle window = startZenity({"--password", "--username"});
    ASSERT_NE(window, 0u);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(mDesktop->typeText(window,
                                    "us\x01"
                                    "er\tp\x7F\xC2\x85"
                                    "漢\r\n",
                                    40ms));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(mZenity->readLine(10000), "user|p漢");
    // Eight keys, seven pauses.
    EXPECT_GE(took, 7 * 40ms);
}

// With restoring, the entry gets the barcode and the clipboard the text it held before; a
// clipboard that held nothing keeps the barcode.
TEST_F(WlrootsDesktopTest, PasteRestoresThePreviousClipboard) {
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    ASSERT_EQ(clipboardText(), std::nullopt);
    EXPECT_FALSE(mDesktop->pasteTextRestoringClipboard(window, "ABC-123"));
    EXPECT_EQ(clipboardText(), "ABC-123");

    wayland::WaylandClipboardOwner other("");
    ASSERT_EQ(other.setText("前のテキスト").message(), "");
    EXPECT_FALSE(mDesktop->pasteTextRestoringClipboard(window, kKanji));
    EXPECT_EQ(clipboardText(), "前のテキスト");
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "1"));
    EXPECT_EQ(mZenity->readLine(10000), "ABC-123" + kKanji);
}

// Tab moves from the user name to the password field; Enter then submits both, "|" between them.
TEST_F(WlrootsDesktopTest, TabMovesToTheNextField) {
    const WindowHandle window = startZenity({"--password", "--username"});
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(mDesktop->pasteText(window, "ABC-123"));
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "2"));
    EXPECT_FALSE(mDesktop->pasteText(window, kKanji));
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "1"));
    EXPECT_EQ(mZenity->readLine(10000), "ABC-123|" + kKanji);
}

// The capture around the caret shows the entry: its light background and the dark text typed
// into it, not a black or single-coloured picture.
TEST_F(WlrootsDesktopTest, CaptureShowsTheEntry) {
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    ASSERT_FALSE(mDesktop->pasteText(window, "WWWWWWWWWWWWWWWW"));
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    ASSERT_TRUE(focused) << focused.error().message();
    EXPECT_EQ(focused->kind, "zenity") << "the kind is the app id";
    ASSERT_TRUE(focused->caret.has_value())
        << "the caret did not come from the accessibility bus (needs a session bus)";
    ASSERT_FALSE(mDesktop->capture(focused->window, *focused->caret, CaptureShape::centred(), 0,
                                   std::chrono::steady_clock::now(), capturePath()));
    DecodedPng png;
    std::string error;
    ASSERT_TRUE(test::readPngFile(capturePath(), png, error)) << error;
    ASSERT_EQ(png.width, 320u);
    ASSERT_EQ(png.height, 240u);
    int light = 0;
    int dark = 0;
    // The caret is at the end of the text: the text lies left of the centre, on its row.
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

// A window with an app id of this program's is never typed into.
TEST_F(WlrootsDesktopTest, OwnWindowByAppId) {
    startZenity({"--entry"}, {"zenity"});
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    ASSERT_FALSE(focused);
    EXPECT_EQ(focused.error().kind(), DesktopError::Kind::OwnWindow);
    EXPECT_EQ(focused.error().message(), "本プログラムがアクティブになっています。");
}

// A window of this very process is never typed into, whatever its app id: sway's IPC names the
// process of the activated window.
TEST_F(WlrootsDesktopTest, OwnWindowByProcess) {
    test::WaylandWindow own("korvane-probe", "KORVANE own window");
    ASSERT_TRUE(own.ok()) << "the test's own window did not appear";
    ASSERT_TRUE(mSway->waitForFocus("korvane-probe")) << "the test's own window has no focus";
    mDesktop.emplace("", std::vector<std::string>{"korvane-none"});
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    ASSERT_FALSE(focused);
    EXPECT_EQ(focused.error().kind(), DesktopError::Kind::OwnWindow);
    EXPECT_EQ(focused.error().message(), "本プログラムがアクティブになっています。");
}

// Without sway's IPC nothing tells where the window lies: no caret, and the capture is centred on
// the output, with a note in the trace. The picture is the one a desktop with the IPC takes with
// the caret at the output's centre.
TEST_F(WlrootsDesktopTest, WithoutSwayIpcTheCaptureIsCentredOnTheOutput) {
    // Numbered lines of text fill the window, so a picture of one place differs from another's.
    const fs::path lines = mFolder / "lines.txt";
    {
        std::ofstream text(lines);
        for (int line = 1; line <= 80; ++line) {
            text << "line " << line << ": KORVANE " << std::string(line % 40, 'W') << "\n";
        }
    }
    const WindowHandle window = startZenity({"--text-info", "--filename=" + lines.string()});
    ASSERT_NE(window, 0u);
    const std::optional<std::vector<wayland::SwayWindow>> windows =
        wayland::askSwayWindows(std::getenv("SWAYSOCK"), 1s);
    ASSERT_TRUE(windows.has_value());
    std::optional<wayland::SwayWindow> zenity;
    for (const auto& window : *windows) {
        if (window.appId == "zenity") {
            zenity = window;
        }
    }
    ASSERT_TRUE(zenity.has_value());
    const std::string placed = (mFolder / "placed.png").string();
    const Point centre{static_cast<std::int32_t>(SwaySession::kWidth / 2 - zenity->x),
                       static_cast<std::int32_t>(SwaySession::kHeight / 2 - zenity->y)};

    const std::string swaySocket = std::getenv("SWAYSOCK");
    ::unsetenv("SWAYSOCK");
    WlrootsDesktop blind("", {"korvane-none"});
    ::setenv("SWAYSOCK", swaySocket.c_str(), 1);
    DesktopResult<FocusedWindow> focused = blind.focusedWindow();
    ASSERT_TRUE(focused) << focused.error().message();
    EXPECT_FALSE(focused->caret.has_value()) << "a caret without knowing the window's process";
    std::vector<std::string> traced;
    setTraceSink([&](const std::string& line) { traced.push_back(line); });
    const DesktopError captured =
        blind.capture(focused->window, Point{5, 5}, CaptureShape::centred(), 0,
                      std::chrono::steady_clock::now(), capturePath());
    setTraceSink({});
    ASSERT_FALSE(captured) << captured.message();
    EXPECT_EQ(traced, std::vector<std::string>{
                          "Wayland: the compositor does not tell where the window \"" +
                          zenity->title + "\" lies; the capture is centred on its output."});
    ASSERT_FALSE(mDesktop->capture(window, centre, CaptureShape::centred(), 0,
                                   std::chrono::steady_clock::now(), placed));

    DecodedPng blindPng;
    DecodedPng placedPng;
    std::string error;
    ASSERT_TRUE(test::readPngFile(capturePath(), blindPng, error)) << error;
    ASSERT_TRUE(test::readPngFile(placed, placedPng, error)) << error;
    ASSERT_EQ(blindPng.width, 320u);
    ASSERT_EQ(blindPng.height, 240u);
    int differing = 0;
    std::set<int> colours;
    for (std::uint32_t y = 0; y < blindPng.height; ++y) {
        for (std::uint32_t x = 0; x < blindPng.width; ++x) {
            const DecodedPng::Pixel p = blindPng.at(x, y);
            differing += !(p == placedPng.at(x, y));
            colours.insert(p.r << 16 | p.g << 8 | p.b);
        }
    }
    EXPECT_LT(differing, 400) << "not the picture around the output's centre";
    EXPECT_GT(colours.size(), 2u) << "a blank picture";
}

// A capture reaching past the output's edge is black there, and the window's rectangle places
// it: the same caret point a second time gives the same picture.
TEST_F(WlrootsDesktopTest, CaptureOffTheOutputIsBlack) {
    const WindowHandle window = startZenity({"--entry", "--text=KORVANE"});
    ASSERT_NE(window, 0u);
    ASSERT_FALSE(mDesktop->capture(window, Point{-2000, -2000}, CaptureShape::centred(), 0,
                                   std::chrono::steady_clock::now(), capturePath()));
    DecodedPng png;
    std::string error;
    ASSERT_TRUE(test::readPngFile(capturePath(), png, error)) << error;
    ASSERT_EQ(png.width, 320u);
    for (std::uint32_t y = 0; y < png.height; y += 7) {
        for (std::uint32_t x = 0; x < png.width; x += 7) {
            ASSERT_EQ(png.at(x, y), (DecodedPng::Pixel{0, 0, 0})) << x << "," << y;
        }
    }
}

TEST_F(WlrootsDesktopTest, ClosedWindowIsGone) {
    const WindowHandle window = startZenity({"--entry"});
    ASSERT_NE(window, 0u);
    mZenity->terminate();
    mZenity.reset();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    DesktopError error;
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        error = mDesktop->capture(window, Point{0, 0}, CaptureShape::centred(), 0,
                                  std::chrono::steady_clock::now(), capturePath());
    } while (!error && std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(error.kind(), DesktopError::Kind::WindowGone);
    EXPECT_EQ(error.message(), "[ClientToScreen]が失敗しました。");
}

}  // namespace
}  // namespace korvane
