#include "desktop/x11/X11Desktop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>

#include "desktop/x11/XClipboardOwner.h"
#include "tests/desktop/DecodedPng.h"
#include "tests/desktop/KanjiText.h"
#include "tests/desktop/TkTarget.h"

// Last: its macros (None) clash with names in the headers above.
#include <X11/Xlib.h>

namespace korvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::DecodedPng;
using test::TkTarget;

constexpr DecodedPng::Pixel kBlack{0, 0, 0};
constexpr DecodedPng::Pixel kWhite{255, 255, 255};
constexpr DecodedPng::Pixel kRed{255, 0, 0};

class X11DesktopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
        mFolder = fs::temp_directory_path() / ("korvane-desktop-" + std::to_string(::getpid()));
        fs::create_directories(mFolder);
        mTk.emplace();
        mWindow = mTk->focus();
    }
    void TearDown() override { fs::remove_all(mFolder); }

    std::string capturePath() const { return (mFolder / "capture.png").string(); }

    // Sends an F2 after whatever the test sent and waits until the entry has seen `expected`
    // (up to 5 s); the keys it has seen then. XTEST keeps the order, so a key sent before the F2
    // that should not have been is in the list by the time the F2 is.
    std::string keysThenF2(const std::string& expected) {
        const DesktopError error = mDesktop.pressPrefixKey(mWindow, "1");
        EXPECT_FALSE(error) << error.message();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        std::string keys = mTk->ask("keys");
        while (keys != expected && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            keys = mTk->ask("keys");
        }
        return keys;
    }

    DecodedPng readCapture() {
        DecodedPng png;
        std::string error;
        EXPECT_TRUE(test::readPngFile(capturePath(), png, error)) << error;
        return png;
    }

    fs::path mFolder;
    std::optional<TkTarget> mTk;
    WindowHandle mWindow = 0;
    X11Desktop mDesktop;
};

TEST_F(X11DesktopTest, FocusLookupFindsTheTkWindowAndLeavesAnUnknownCaret) {
    const DesktopResult<FocusedWindow> found = mDesktop.focusedWindow();
    ASSERT_TRUE(found) << found.error().message();
    ASSERT_NE(found->window, 0u);
    // Tk does not join the accessibility bus: the caret is unknown.
    EXPECT_FALSE(found->caret);
    // The focus is in the entry, a window of its own; the class is its top level's.
    EXPECT_EQ(found->kind, "Tk");
    // The window found is Tk's: its origin is where Tk put its window, so right of and below
    // it lies the entry's white field.
    const DesktopError error = mDesktop.capture(found->window, Point{}, CaptureShape::centred(), 0,
                                                std::chrono::steady_clock::now(), capturePath());
    ASSERT_FALSE(error) << error.message();
    const DecodedPng png = readCapture();
    ASSERT_EQ(png.height, 240u);
    EXPECT_EQ(png.at(175, 135), kWhite);
    EXPECT_EQ(png.at(300, 165), kWhite);
}

TEST_F(X11DesktopTest, PastedTextReachesTheEntryWhole) {
    const std::string texts[] = {"ABC-123", "   leading blanks", "日本語の漢字テキスト、全角ＡＢＣ",
                                 "tab\tand 𠮷"};
    for (const std::string& text : texts) {
        ASSERT_EQ(mTk->ask("clear"), "true");
        const DesktopError error = mDesktop.pasteText(mWindow, text);
        ASSERT_FALSE(error) << error.message();
        EXPECT_EQ(mTk->waitForText(text), text);
    }
}

TEST_F(X11DesktopTest, EmptyBarcodeStillPastesAndSucceeds) {
    ASSERT_EQ(mTk->ask("clear"), "true");
    const DesktopError error = mDesktop.pasteText(mWindow, "");
    EXPECT_FALSE(error) << error.message();
    // The paste of the empty text must not leave an earlier clipboard text behind.
    EXPECT_EQ(keysThenF2(R"(["F2"])"), R"(["F2"])");
    EXPECT_EQ(mTk->text(), "");
}

TEST_F(X11DesktopTest, SuffixAndPrefixKeysReachTheEntry) {
    using Send = DesktopError (X11Desktop::*)(WindowHandle, const std::string&);
    struct Case {
        Send send;
        const char* code;
        bool ok;
        const char* keys;
    };
    const Case cases[] = {
        {&X11Desktop::pressSuffixKey, "1", true, R"(["Return", "F2"])"},
        {&X11Desktop::pressSuffixKey, "2", true, R"(["Tab", "F2"])"},
        {&X11Desktop::pressSuffixKey, "0", true, R"(["F2"])"},
        {&X11Desktop::pressSuffixKey, "3", true, R"(["F2"])"},
        {&X11Desktop::pressSuffixKey, "", false, R"(["F2"])"},
        {&X11Desktop::pressSuffixKey, "abc", false, R"(["F2"])"},
        {&X11Desktop::pressPrefixKey, "1", true, R"(["F2", "F2"])"},
        {&X11Desktop::pressPrefixKey, "2", true, R"(["F2"])"},
        {&X11Desktop::pressPrefixKey, "x", false, R"(["F2"])"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(mTk->ask("clear"), "true");
        const DesktopError error = (mDesktop.*c.send)(mWindow, c.code);
        EXPECT_EQ(!error, c.ok) << c.code;
        EXPECT_EQ(
            error.message(),
            c.ok ? std::string() : "'" + std::string(c.code) + "' は有効な整数値ではありません。");
        EXPECT_EQ(keysThenF2(c.keys), c.keys) << "code '" << c.code << "'";
    }
}

TEST_F(X11DesktopTest, BarcodeThenSuffixArriveInOrder) {
    ASSERT_EQ(mTk->ask("clear"), "true");
    ASSERT_FALSE(mDesktop.pasteText(mWindow, "4901234567894"));
    ASSERT_FALSE(mDesktop.pressSuffixKey(mWindow, "1"));
    EXPECT_EQ(keysThenF2(R"(["Return", "F2"])"), R"(["Return", "F2"])");
    // Tk goes on handling keys while it waits for a pasted text: the Enter must find it there.
    EXPECT_EQ(mTk->ask("seen"), R"(["4901234567894", "4901234567894"])");
}

// What other programs get when they ask for the clipboard in each of the forms X offers.
TEST_F(X11DesktopTest, ClipboardServesEveryTextTarget) {
    x11::XClipboardOwner owner("");
    const std::string kanji = "漢字バーコード";
    ASSERT_EQ(owner.setText(kanji).message(), "");
    const std::string targets = mTk->ask("targets");
    for (const char* target : {"TARGETS", "TIMESTAMP", "UTF8_STRING", "STRING", "TEXT"}) {
        EXPECT_NE(targets.find(std::string("\"") + target + "\""), std::string::npos)
            << target << " in " << targets;
    }
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard UTF8_STRING")), kanji);
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard TEXT")), kanji);
    // Latin-1 cannot carry kanji: refused rather than damaged.
    EXPECT_NE(mTk->ask("clipboard STRING").find("\"error\""), std::string::npos);
    // Only the two texts handed over count as deliveries: not the target list, not the refusal.
    EXPECT_TRUE(owner.waitForDelivery(1, 2s));
    EXPECT_FALSE(owner.waitForDelivery(2, 100ms));

    const std::string latin1 = "Grüße, café ±½";
    ASSERT_EQ(owner.setText(latin1).message(), "");
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard STRING")), latin1);
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard TEXT")), latin1);
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard UTF8_STRING")), latin1);
}

TEST_F(X11DesktopTest, LargeClipboardTextGoesWholeInPieces) {
    x11::XClipboardOwner owner("");
    std::string large;
    for (int i = 0; large.size() < 3 * 1024 * 1024; ++i) {
        large += std::to_string(i) + "番目の行 line\n";
    }
    ASSERT_EQ(owner.setText(large).message(), "");
    const std::string got = test::jsonString(mTk->ask("clipboard UTF8_STRING"));
    EXPECT_EQ(got.size(), large.size());
    EXPECT_TRUE(got == large);
    // One delivery, once the last piece has gone.
    EXPECT_TRUE(owner.waitForDelivery(0, 2s));
    EXPECT_FALSE(owner.waitForDelivery(1, 100ms));
}

TEST_F(X11DesktopTest, ClipboardCanBeTakenBackFromAnotherProgram) {
    x11::XClipboardOwner owner("");
    ASSERT_EQ(owner.setText("first").message(), "");
    ASSERT_EQ(mTk->ask("own theirs"), "true");
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard UTF8_STRING")), "theirs");
    ASSERT_EQ(owner.setText("second").message(), "");
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard UTF8_STRING")), "second");
}

// A terminal-like field: Control+V puts nothing in it, typed keys do.
TEST_F(X11DesktopTest, TypedKeysReachAFieldThatIgnoresPasteAndLeaveTheClipboard) {
    ASSERT_EQ(mTk->ask("nopaste"), "true");
    ASSERT_EQ(mTk->ask("own the user's text"), "true");
    // The keys went, but nobody asked for the text: the paste says so.
    const DesktopError notTaken = mDesktop.pasteText(mWindow, "PASTED");
    EXPECT_EQ(notTaken.kind(), DesktopError::Kind::NotTaken) << notTaken.message();
    EXPECT_EQ(keysThenF2(R"(["F2"])"), R"(["F2"])");
    EXPECT_EQ(mTk->text(), "");

    ASSERT_EQ(mTk->ask("own the user's text"), "true");
    ASSERT_EQ(mTk->ask("clear"), "true");
    // Shifted and plain ASCII, Latin-1 and kanji that a US layout has no key for (typed through
    // the spare key, several in a row), a character beyond the BMP.
    const std::string text = "Ab-1 ~?é漢字カナ𠮷z";
    const DesktopError error = mDesktop.typeText(mWindow, text, 0ms);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(mTk->waitForText(text), text);
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard UTF8_STRING")), "the user's text");
}

TEST_F(X11DesktopTest, TypedLineBreaksAndTabsArriveAsKeysAndSpareKeyIsGivenBack) {
    ASSERT_EQ(mTk->ask("clear"), "true");
    const auto start = std::chrono::steady_clock::now();
    const DesktopError error = mDesktop.typeText(mWindow, "a\tb\r\nc\x01漢", 30ms);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(keysThenF2(R"(["Tab", "Return", "F2"])"), R"(["Tab", "Return", "F2"])");
    EXPECT_EQ(mTk->text(), "abc漢");
    // Five keys, four pauses between them.
    EXPECT_GE(took, 120ms);

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(XKeysymToKeycode(display, 0x01000000 | 0x6F22), 0) << "the spare key kept 漢";
    XCloseDisplay(display);
}

// More different kanji than the server has spare keys, into a client that does not answer the
// ping (Tk): the spare keys are given new characters after the pause instead, and every
// character must still arrive.
TEST_F(X11DesktopTest, TypedKanjiBeyondTheSpareKeysArriveInAClientThatIsNotAsked) {
    ASSERT_EQ(mTk->ask("clear"), "true");
    const std::string text = test::differentKanji(0x4E00, 60, 7);
    const DesktopError error = mDesktop.typeText(mWindow, text, 0ms);
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(mTk->waitForText(text), text);
}

TEST_F(X11DesktopTest, PasteCanPutTheUsersClipboardBack) {
    ASSERT_EQ(mTk->ask("own kept text"), "true");
    ASSERT_EQ(mTk->ask("clear"), "true");
    const DesktopError error = mDesktop.pasteTextRestoringClipboard(mWindow, "4901234567894");
    ASSERT_FALSE(error) << error.message();
    EXPECT_EQ(mTk->waitForText("4901234567894"), "4901234567894");
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard UTF8_STRING")), "kept text");

    // Without the option the barcode stays on the clipboard.
    ASSERT_EQ(mTk->ask("own kept text"), "true");
    ASSERT_FALSE(mDesktop.pasteText(mWindow, "second"));
    EXPECT_EQ(test::jsonString(mTk->ask("clipboard UTF8_STRING")), "second");
}

// A red square at a known place on screen must show up where the rectangle puts the caret.
TEST_F(X11DesktopTest, CaretLandsWhereTheRectangleSaysInAnRgbPng) {
    constexpr int kCaretX = 600;
    constexpr int kCaretY = 500;
    ASSERT_NE(mTk->ask("patch 600 500 6 6 #ff0000"), "");
    const std::int32_t clientX = kCaretX - TkTarget::kLeft;
    const std::int32_t clientY = kCaretY - TkTarget::kTop;
    struct Case {
        std::int32_t width, height;  // 0, 0: the centred 320 x 240 capture
        std::uint32_t expectedHeight;
        std::uint32_t caretX, caretY;
    };
    const Case cases[] = {
        {0, 0, 240, 160, 120},   {1080, 1920, 569, 100, 200}, {480, 800, 533, 100, 200},
        {1920, 1080, 180, 0, 0}, {640, 5, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const DesktopError error =
            c.width == 0
                ? mDesktop.capture(mWindow, Point{clientX, clientY}, CaptureShape::centred(), 0,
                                   std::chrono::steady_clock::now(), capturePath())
                : mDesktop.capture(mWindow, Point{clientX, clientY},
                                   CaptureShape::ratio(c.width, c.height), -1,
                                   std::chrono::steady_clock::now(), capturePath());
        ASSERT_FALSE(error) << error.message();
        const DecodedPng png = readCapture();
        EXPECT_EQ(png.width, 320u);
        EXPECT_EQ(png.height, c.expectedHeight);
        EXPECT_EQ(png.bitDepth, 8);
        EXPECT_EQ(png.colorType, 2);
        EXPECT_EQ(png.interlace, 0);
        ASSERT_GE(png.chunks.size(), 3u);
        EXPECT_EQ(png.chunks.front(), "IHDR");
        EXPECT_EQ(png.chunks.back(), "IEND");
        for (std::size_t i = 1; i + 1 < png.chunks.size(); ++i) {
            EXPECT_EQ(png.chunks[i], "IDAT") << "no other chunk";
        }
        if (c.caretY != 0 && png.rgb.size() == 320u * png.height * 3) {
            EXPECT_EQ(png.at(c.caretX, c.caretY), kRed);
            EXPECT_EQ(png.at(c.caretX + 5, c.caretY + 5), kRed);
            EXPECT_NE(png.at(c.caretX - 1, c.caretY), kRed);
            EXPECT_NE(png.at(c.caretX, c.caretY - 1), kRed);
            EXPECT_NE(png.at(c.caretX + 6, c.caretY + 6), kRed);
        }
    }
}

TEST_F(X11DesktopTest, PartBeyondTheScreenEdgeIsBlack) {
    ASSERT_NE(mTk->ask("patch 0 0 60 60 #ffffff"), "");
    // The caret 10 pixels from the top-left corner of the screen.
    const DesktopError error = mDesktop.capture(
        mWindow, Point{10 - TkTarget::kLeft, 10 - TkTarget::kTop}, CaptureShape::centred(), 0,
        std::chrono::steady_clock::now(), capturePath());
    ASSERT_FALSE(error) << error.message();
    const DecodedPng png = readCapture();
    ASSERT_EQ(png.width, 320u);
    ASSERT_EQ(png.height, 240u);
    // The screen's corner is at (150, 110) in the picture.
    EXPECT_EQ(png.at(150, 110), kWhite);
    EXPECT_EQ(png.at(209, 169), kWhite);
    EXPECT_EQ(png.at(149, 110), kBlack);
    EXPECT_EQ(png.at(150, 109), kBlack);
    EXPECT_EQ(png.at(0, 0), kBlack);
    EXPECT_EQ(png.at(319, 0), kBlack);
    EXPECT_EQ(png.at(0, 239), kBlack);
}

TEST_F(X11DesktopTest, ExistingCaptureFileIsReplacedWhole) {
    const std::string old(1 << 20, 'x');
    std::ofstream(capturePath(), std::ios::binary) << old;
    std::ifstream reader(capturePath(), std::ios::binary);
    const DesktopError error = mDesktop.capture(mWindow, Point{}, CaptureShape::centred(), 0,
                                                std::chrono::steady_clock::now(), capturePath());
    ASSERT_FALSE(error) << error.message();
    const DecodedPng png = readCapture();
    EXPECT_EQ(png.width, 320u);
    EXPECT_LT(fs::file_size(capturePath()), old.size());
    // A reader of the old file still sees the old bytes, never a mix.
    std::string seen((std::istreambuf_iterator<char>(reader)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(seen == old);
    // Nor is the old file left behind under another name.
    EXPECT_EQ(std::distance(fs::directory_iterator(mFolder), fs::directory_iterator()), 1);
}

TEST_F(X11DesktopTest, FailedCapturesWriteNoFile) {
    const std::string gone = mTk->ask("patch 10 10 5 5 #00ff00");
    ASSERT_EQ(mTk->ask("unpatch"), "true");
    const WindowHandle vanished = std::stoul(gone);
    const std::string missingFolder = (mFolder / "missing" / "capture.png").string();
    struct Case {
        const char* what;
        WindowHandle window;
        std::string path;
        std::int32_t width, height;
        std::string message;
    };
    const Case cases[] = {
        {"zero width", mWindow, capturePath(), 0, 1920, "0 による浮動小数点数除算"},
        {"zero by zero", mWindow, capturePath(), 0, 0, "不正な浮動小数点数演算命令"},
        {"zero height", mWindow, capturePath(), 1080, 0,
         "キャプチャの高さが 0 以下になります。(幅 1080, 高さ 0)"},
        {"no window", 0, capturePath(), 1080, 1920, "[ClientToScreen]が失敗しました。"},
        {"closed window", vanished, capturePath(), 1080, 1920, "[ClientToScreen]が失敗しました。"},
        {"missing folder", mWindow, missingFolder, 1080, 1920,
         "ファイル \"" + missingFolder + "\" を作成できません。"},
        {"read-only folder", mWindow, "/proc/korvane-capture.png", 1080, 1920,
         "ファイル \"/proc/korvane-capture.png\" を作成できません。"},
        // Of two faults, the window's is told first, then the shape's, then the file's.
        {"closed window, zero width", vanished, capturePath(), 0, 1920,
         "[ClientToScreen]が失敗しました。"},
        {"closed window, missing folder", vanished, missingFolder, 1080, 1920,
         "[ClientToScreen]が失敗しました。"},
        {"zero height, missing folder", mWindow, missingFolder, 1080, 0,
         "キャプチャの高さが 0 以下になります。(幅 1080, 高さ 0)"},
    };
    for (const Case& c : cases) {
        const std::string error =
            mDesktop
                .capture(c.window, Point{}, CaptureShape::ratio(c.width, c.height), 0,
                         std::chrono::steady_clock::now(), c.path)
                .message();
        EXPECT_FALSE(error.empty()) << c.what;
        if (c.message.rfind("ファイル", 0) == 0) {
            // The file-creation message goes on with the system's reason.
            EXPECT_EQ(error.substr(0, c.message.size()), c.message) << c.what;
            EXPECT_GT(error.size(), c.message.size()) << c.what;
        } else {
            EXPECT_EQ(error, c.message) << c.what;
        }
        EXPECT_FALSE(fs::exists(c.path)) << c.what;
    }
    EXPECT_TRUE(fs::is_empty(mFolder)) << "no temporary file left behind";
}

// The window is looked up as the pause ends, so a window that moved is captured where it is now.
TEST_F(X11DesktopTest, WindowMovedDuringThePauseIsCapturedAtItsNewPlace) {
    DesktopError error;
    std::thread capture([&] {
        error = mDesktop.capture(mWindow, Point{}, CaptureShape::centred(), 3,
                                 std::chrono::steady_clock::now(), capturePath());  // 1000 ms
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    mTk->ask("move 700 600");
    capture.join();
    ASSERT_FALSE(error) << error.message();
    const DecodedPng png = readCapture();
    ASSERT_EQ(png.height, 240u);
    // Right of and below the caret lies the entry's white field, wherever the window went.
    for (std::uint32_t y = 130; y < 165; y += 5) {
        for (std::uint32_t x = 175; x < 310; x += 15) {
            EXPECT_EQ(png.at(x, y), kWhite) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace korvane
