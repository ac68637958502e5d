#include "desktop/NativeDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

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

    DesktopResult<FocusedWindow> focusedWindow() override { return FocusedWindow{}; }
    DesktopError pasteText(WindowHandle, const std::string&) override { return {}; }
    DesktopError pasteTextRestoringClipboard(WindowHandle, const std::string&) override {
        return {};
    }
    DesktopError typeText(WindowHandle, const std::string&, std::chrono::milliseconds) override {
        return {};
    }

  protected:
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

}  // namespace
}  // namespace korvane
