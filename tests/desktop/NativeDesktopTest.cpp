#include "desktop/NativeDesktop.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A platform whose window answers at once, noting when it was asked and when the screen was
// grabbed: the capture's pause is what is timed.
class ClockedDesktop : public NativeDesktop {
  public:
    bool windowGone = false;
    Clock::time_point askedAt;
    Clock::time_point grabbedAt;
    bool grabbed = false;

    bool sessionLocked() override { return false; }
    DesktopResult<FocusedWindow> focusedWindow() override { return FocusedWindow{}; }
    DesktopError typeText(WindowHandle, const std::string&, std::chrono::milliseconds) override {
        return {};
    }

  protected:
    // Only captures are asked of this desktop.
    ClipboardOwner& clipboard() override { std::abort(); }
    DesktopError pressControlV() override { return {}; }
    DesktopError pressKey(WindowHandle, VirtualKey) override { return {}; }
    DesktopResult<ScreenPoint> clientToScreen(WindowHandle, Point point) override {
        askedAt = Clock::now();
        if (windowGone) {
            return DesktopError(DesktopError::Kind::WindowGone, "[ClientToScreen]が失敗しました。");
        }
        return ScreenPoint{point.x, point.y};
    }
    std::chrono::microseconds placeAskedBefore() const override { return 250us; }
    void grabScreen(const CaptureRect&, RgbImage&) override {
        grabbedAt = Clock::now();
        grabbed = true;
    }
};

// The screen is grabbed, and a fault told, no sooner than the pause's end (delay code 0: 100 ms),
// whether the pause is still under way or was over before the capture began; the window's fault
// comes before the shape's.
TEST(NativeDesktop, NothingIsGrabbedOrToldBeforeThePauseEnds) {
    struct Case {
        const char* name;
        Clock::duration pauseBegan;  // before the call
        bool windowGone;
        bool badShape;
        DesktopError::Kind expected;
    };
    const Case cases[] = {
        {"under way", 0ms, false, false, DesktopError::Kind::Ok},
        {"nearly over", 99ms, false, false, DesktopError::Kind::Ok},
        {"over", 1s, false, false, DesktopError::Kind::Ok},
        {"window gone", 0ms, true, true, DesktopError::Kind::WindowGone},
        {"bad shape", 0ms, false, true, DesktopError::Kind::BadShape},
    };
    const std::string path =
        (std::filesystem::temp_directory_path() / "korvane-native-desktop-test.png").string();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClockedDesktop desktop;
        desktop.windowGone = c.windowGone;
        const Clock::time_point pauseFrom = Clock::now() - c.pauseBegan;
        const Clock::time_point pauseEnd = pauseFrom + 100ms;
        const DesktopError error = desktop.capture(
            1, Point{400, 300}, c.badShape ? CaptureShape::ratio(0, 0) : CaptureShape::centred(), 0,
            pauseFrom, path);
        const Clock::time_point returned = Clock::now();
        EXPECT_EQ(error.kind(), c.expected) << error.message();
        EXPECT_GE(returned, pauseEnd);
        EXPECT_EQ(desktop.grabbed, !error);
        if (desktop.grabbed) {
            EXPECT_GE(desktop.grabbedAt, pauseEnd);
        }
        // The window's place is asked as the pause ends: not long before it.
        EXPECT_GE(desktop.askedAt, pauseEnd - 1ms);
    }
    std::filesystem::remove(path);
}

// A clipboard and keys that write down what the paste asked of them, in order. A clipboard
// manager is played by the copy made as each text is set: it must not end the wait for the
// window.
class JournalDesktop : public NativeDesktop {
  public:
    class Clipboard : public ClipboardOwner {
      public:
        std::vector<std::string>& journal;
        std::optional<std::string> held;
        int failingSet = 0;  // the number of the setText that fails; 0 none
        bool taken = true;
        // Another program is handed the text during the pause; on Windows the window's own
        // paste may then go uncounted.
        bool readInPause = false;
        bool countsAll = true;
        std::uint64_t count = 0;
        int countReads = 0;
        int sets = 0;
        Clock::time_point setAt;  // of the first text

        explicit Clipboard(std::vector<std::string>& journal) : journal(journal) {}
        std::optional<std::string> text() override {
            journal.push_back("read");
            return held;
        }
        DesktopError setText(const std::string& text) override {
            journal.push_back("set " + text);
            if (++sets == failingSet) {
                return DesktopError(DesktopError::Kind::Clipboard, "クリップボードを開けません。");
            }
            held = text;
            ++count;
            if (sets == 1) {
                setAt = Clock::now();
            }
            return {};
        }
        std::uint64_t deliveries() override {
            // The first read follows setText, the second ends the pause.
            if (++countReads == 2 && readInPause) {
                ++count;
            }
            return count;
        }
        bool countsEveryAsk() const override { return countsAll; }
        bool waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) override {
            journal.push_back("wait after " + std::to_string(after) + " for " +
                              std::to_string(budget.count()) + " ms");
            return taken;
        }
    };

    std::vector<std::string> journal;
    Clipboard owner{journal};
    DesktopError unready;
    DesktopError keysFail;
    Clock::time_point keysAt;

    bool sessionLocked() override { return false; }
    DesktopResult<FocusedWindow> focusedWindow() override { return FocusedWindow{}; }
    DesktopError typeText(WindowHandle, const std::string&, std::chrono::milliseconds) override {
        return {};
    }

  protected:
    ClipboardOwner& clipboard() override { return owner; }
    DesktopError pasteReady() override {
        journal.push_back("ready");
        return unready;
    }
    DesktopError pressControlV() override {
        journal.push_back("Control+V");
        keysAt = Clock::now();
        return keysFail;
    }
    DesktopError pressKey(WindowHandle, VirtualKey) override { return {}; }
    DesktopResult<ScreenPoint> clientToScreen(WindowHandle, Point point) override {
        return ScreenPoint{point.x, point.y};
    }
    void grabScreen(const CaptureRect&, RgbImage&) override {}
};

// The paste's steps and what each fault stops: nothing is touched when the platform cannot
// press the keys, no key follows a clipboard that could not be set, nothing is put back after
// keys that did not go, and a window that never takes the text costs the 500 ms budget, gets the
// user's text put back all the same and is a NotTaken error (unless putting it back failed).
TEST(NativeDesktop, PasteGoesStepByStepAndStopsAtTheFirstFault) {
    const DesktopError keysFault(DesktopError::Kind::Keys, "[SendInput]が失敗しました。");
    const DesktopError unavailable(DesktopError::Kind::Unavailable, "X サーバーがありません。");
    struct Case {
        const char* name;
        bool restore;
        std::optional<std::string> held;
        bool unready = false;
        int failingSet = 0;
        bool keysFail = false;
        bool taken = true;
        DesktopError::Kind expected = DesktopError::Kind::Ok;
        std::vector<std::string> steps;
    };
    const std::string wait = "wait after 1 for 500 ms";
    const Case cases[] = {
        {"plain",
         false,
         "前",
         false,
         0,
         false,
         true,
         DesktopError::Kind::Ok,
         {"ready", "set 4901", "Control+V", wait}},
        {"restored",
         true,
         "前",
         false,
         0,
         false,
         true,
         DesktopError::Kind::Ok,
         {"ready", "read", "set 4901", "Control+V", wait, "set 前"}},
        {"nothing to restore",
         true,
         std::nullopt,
         false,
         0,
         false,
         true,
         DesktopError::Kind::Ok,
         {"ready", "read", "set 4901", "Control+V", wait}},
        {"never taken",
         true,
         "前",
         false,
         0,
         false,
         false,
         DesktopError::Kind::NotTaken,
         {"ready", "read", "set 4901", "Control+V", wait, "set 前"}},
        {"never taken, nothing put back",
         false,
         "前",
         false,
         0,
         false,
         false,
         DesktopError::Kind::NotTaken,
         {"ready", "set 4901", "Control+V", wait}},
        {"never taken, putting back fails",
         true,
         "前",
         false,
         2,
         false,
         false,
         DesktopError::Kind::Clipboard,
         {"ready", "read", "set 4901", "Control+V", wait, "set 前"}},
        {"not ready", true, "前", true, 0, false, true, DesktopError::Kind::Unavailable, {"ready"}},
        {"clipboard fails",
         true,
         "前",
         false,
         1,
         false,
         true,
         DesktopError::Kind::Clipboard,
         {"ready", "read", "set 4901"}},
        {"keys fail",
         true,
         "前",
         false,
         0,
         true,
         true,
         DesktopError::Kind::Keys,
         {"ready", "read", "set 4901", "Control+V"}},
        {"restore fails",
         true,
         "前",
         false,
         2,
         false,
         true,
         DesktopError::Kind::Clipboard,
         {"ready", "read", "set 4901", "Control+V", wait, "set 前"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JournalDesktop desktop;
        desktop.owner.held = c.held;
        desktop.owner.failingSet = c.failingSet;
        desktop.owner.taken = c.taken;
        if (c.unready) {
            desktop.unready = unavailable;
        }
        if (c.keysFail) {
            desktop.keysFail = keysFault;
        }
        const DesktopError error = c.restore ? desktop.pasteTextRestoringClipboard(1, "4901")
                                             : desktop.pasteText(1, "4901");
        EXPECT_EQ(error.kind(), c.expected) << error.message();
        EXPECT_EQ(desktop.journal, c.steps);
        if (!c.keysFail && !c.unready && c.failingSet != 1) {
            EXPECT_GE(desktop.keysAt - desktop.owner.setAt, 100ms) << "no pause before the keys";
        }
    }
}

// A paste no window asked for is NotTaken, unless another program was handed the text during the
// pause where the system then keeps it (Windows): the window's paste may have gone uncounted.
TEST(NativeDesktop, NotTakenOnlyWhenTheCountCouldHaveSeenTheWindow) {
    struct Case {
        bool readInPause;
        bool countsAll;
        DesktopError::Kind expected;
    };
    const Case cases[] = {
        {false, false, DesktopError::Kind::NotTaken},
        {true, true, DesktopError::Kind::NotTaken},
        {true, false, DesktopError::Kind::Ok},
    };
    for (const Case& c : cases) {
        JournalDesktop desktop;
        desktop.owner.taken = false;
        desktop.owner.readInPause = c.readInPause;
        desktop.owner.countsAll = c.countsAll;
        EXPECT_EQ(desktop.pasteText(1, "4901").kind(), c.expected)
            << "read in pause " << c.readInPause << ", counts all " << c.countsAll;
    }
}

}  // namespace
}  // namespace korvane
