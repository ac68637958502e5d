#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "desktop/wayland/SwayIpc.h"
#include "desktop/wayland/WlrootsDesktop.h"
#include "tests/desktop/ChildProcess.h"
#include "tests/desktop/DecodedPng.h"
#include "tests/desktop/KanjiText.h"
#include "tests/desktop/SwaySession.h"

// After the others: Xlib's macros (None, Bool) clash with names in gtest and the project.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace korvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildProcess;
using test::DecodedPng;
using test::SwaySession;

const std::string kKanji = "漢字テキスト";
const std::string kOffLayout = "é漢𠮷";
// The class GTK gives zenity's X11 window; sway's tree has no app id for it.
const std::string kZenityClass = "Zenity";

// An X11 window of this very process, with its process id in _NET_WM_PID as toolkits set it.
class OwnX11Window {
  public:
    explicit OwnX11Window(const std::string& display) : mDisplay(XOpenDisplay(display.c_str())) {
        if (mDisplay == nullptr) {
            return;
        }
        const Window window = XCreateSimpleWindow(mDisplay, DefaultRootWindow(mDisplay), 0, 0, 300,
                                                  200, 0, 0, WhitePixel(mDisplay, 0));
        XStoreName(mDisplay, window, "KORVANE own X11 window");
        XClassHint hint{const_cast<char*>("korvane-probe"), const_cast<char*>("KorvaneProbe")};
        XSetClassHint(mDisplay, window, &hint);
        const unsigned long pid = static_cast<unsigned long>(::getpid());
        XChangeProperty(mDisplay, window, XInternAtom(mDisplay, "_NET_WM_PID", False), XA_CARDINAL,
                        32, PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
        XMapWindow(mDisplay, window);
        XFlush(mDisplay);
    }
    ~OwnX11Window() {
        if (mDisplay != nullptr) {
            XCloseDisplay(mDisplay);
        }
    }
    OwnX11Window(const OwnX11Window&) = delete;
    OwnX11Window& operator=(const OwnX11Window&) = delete;

    bool ok() const { return mDisplay != nullptr; }

  private:
    Display* mDisplay;
};

// A real headless sway with XWayland, and an X11 GTK entry (zenity with GDK's X11 backend) in it.
// The desktop is made once the entry has the focus, as in the Wayland tests.
class WlrootsXWaylandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (SwaySession::findSway().empty() || SwaySession::findProgram("Xwayland").empty()) {
            GTEST_SKIP()
                << "sway or Xwayland is not installed (scripts/install-deps installs them)";
        }
        const char* display = std::getenv("DISPLAY");
        mOuterDisplay = display ? display : "";
        mSway.emplace(SwaySession::XWayland::Enabled);
        ASSERT_TRUE(mSway->ok()) << mSway->failure();
        mSway->enter();
        mFolder = fs::temp_directory_path() / ("korvane-xwayland-" + std::to_string(::getpid()));
        fs::create_directories(mFolder);
    }
    void TearDown() override {
        mZenity.reset();
        mDesktop.reset();
        ::setenv("DISPLAY", mOuterDisplay.c_str(), 1);
        if (!mFolder.empty()) {
            fs::remove_all(mFolder);
        }
    }

    WindowHandle startEntry(std::vector<std::string> ownAppIds = {"korvane-none"}) {
        std::vector<std::string> environment = mSway->clientEnvironment();
        std::replace(environment.begin(), environment.end(), std::string("GDK_BACKEND=wayland"),
                     std::string("GDK_BACKEND=x11"));
        mZenity.emplace(std::vector<std::string>{"zenity", "--entry", "--text=KORVANE"},
                        environment);
        if (!mSway->waitForFocus(kZenityClass)) {
            ADD_FAILURE() << "the X11 zenity did not get the focus";
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

    std::optional<wayland::SwayWindow> zenityInTree() const {
        const auto windows = wayland::askSwayWindows(std::getenv("SWAYSOCK"), 1s);
        if (windows) {
            for (const wayland::SwayWindow& window : *windows) {
                if (window.x11Class == kZenityClass) {
                    return window;
                }
            }
        }
        return std::nullopt;
    }

    std::string capturePath() const { return (mFolder / "capture.png").string(); }

    std::string mOuterDisplay;
    std::optional<SwaySession> mSway;
    std::optional<ChildProcess> mZenity;
    std::optional<WlrootsDesktop> mDesktop;
    fs::path mFolder;
};

// Found by its class, the X11 window gets a caret in its own coordinates (AT-SPI gives an X11
// program's in screen coordinates), and the capture around it shows the entry: its light
// background and the dark text pasted into it.
TEST_F(WlrootsXWaylandTest, CaptureShowsTheX11Entry) {
    const WindowHandle window = startEntry();
    ASSERT_NE(window, 0u);
    ASSERT_FALSE(mDesktop->pasteText(window, "WWWWWWWWWWWWWWWW"));
    const std::optional<wayland::SwayWindow> zenity = zenityInTree();
    ASSERT_TRUE(zenity.has_value());
    ASSERT_EQ(zenity->appId, "");
    // Placed away from the output's corner, so screen and window coordinates differ.
    ASSERT_GT(zenity->x, 50);
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    ASSERT_TRUE(focused) << focused.error().message();
    ASSERT_TRUE(focused->caret.has_value())
        << "the caret did not come from the accessibility bus (needs a session bus)";
    EXPECT_GE(focused->caret->x, 0);
    EXPECT_LT(focused->caret->x, zenity->width);
    EXPECT_GE(focused->caret->y, 0);
    EXPECT_LT(focused->caret->y, zenity->height);
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

// Pasted and typed text, kanji and characters no US layout has included, arrive whole and in
// order, and Enter after typed keys never overtakes them: zenity prints its entry when Enter
// closes it.
TEST_F(WlrootsXWaylandTest, PastesAndTypesIntoAnX11Entry) {
    const WindowHandle window = startEntry();
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(mDesktop->pasteText(window, "ABC-123"));
    EXPECT_FALSE(mDesktop->pasteText(window, kKanji));
    EXPECT_FALSE(mDesktop->typeText(window, "ABC-123" + kOffLayout + kKanji, 0ms));
    EXPECT_FALSE(mDesktop->pressSuffixKey(window, "1"));
    EXPECT_EQ(mZenity->readLine(10000), "ABC-123" + kKanji + "ABC-123" + kOffLayout + kKanji);
}

// More different characters than there are spare keys, then two barcodes of 100 other kanji
// right after them: an X11 client reads a key with whatever mapping it has when it comes to the
// key, so every change of the spare keys must wait for the client.
TEST_F(WlrootsXWaylandTest, TypesMoreCharactersThanSpareKeysIntoAnX11Entry) {
    const WindowHandle window = startEntry();
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
    EXPECT_EQ(mZenity->readLine(30000), all);
}

// An X11 window whose class is one of this program's app ids is this program's.
TEST_F(WlrootsXWaylandTest, OwnX11WindowByClass) {
    startEntry({kZenityClass});
    ASSERT_TRUE(mDesktop.has_value());
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    ASSERT_FALSE(focused);
    EXPECT_EQ(focused.error().kind(), DesktopError::Kind::OwnWindow);
    EXPECT_EQ(focused.error().message(), "本プログラムがアクティブになっています。");
}

// An X11 window of this very process is never typed into, whatever its class.
TEST_F(WlrootsXWaylandTest, OwnX11WindowByProcess) {
    OwnX11Window own(mSway->xDisplay());
    ASSERT_TRUE(own.ok());
    ASSERT_TRUE(mSway->waitForFocus("KorvaneProbe")) << "the test's own X11 window has no focus";
    mDesktop.emplace("", std::vector<std::string>{"korvane-none"});
    DesktopResult<FocusedWindow> focused = mDesktop->focusedWindow();
    ASSERT_FALSE(focused);
    EXPECT_EQ(focused.error().kind(), DesktopError::Kind::OwnWindow);
}

}  // namespace
}  // namespace korvane
