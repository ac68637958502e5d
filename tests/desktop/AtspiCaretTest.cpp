#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "desktop/x11/X11Desktop.h"
#include "tests/desktop/ChildProcess.h"

namespace korvane {
namespace {

// A Qt line edit on the accessibility bus tells where its caret is; the focus lookup must find
// the same place, in the client coordinates of the window it returns. At the end of the text and
// in an empty field the toolkit gives no character box, so the lookup falls back to the character
// before the caret and to the field itself.
TEST(AtspiCaret, FocusLookupFindsTheCaretOfAQtLineEdit) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    ASSERT_NE(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "needs a session bus";
    for (const char* where : {"middle", "end", "empty"}) {
        SCOPED_TRACE(where);
        test::ChildProcess qt({KORVANE_QT_LINE_EDIT, where},
                              {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1", "QT_QPA_PLATFORM=xcb"});
        std::istringstream report(qt.readLine(20000));
        int caretX = 0;
        int caretY = 0;
        int focused = 0;
        ASSERT_TRUE(report >> caretX >> caretY >> focused) << "the Qt program did not start";
        ASSERT_EQ(focused, 1);

        X11Desktop desktop;
        // The program joins the bus shortly after it shows its window.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::optional<FocusedWindow> found;
        while (std::chrono::steady_clock::now() < deadline) {
            DesktopResult<FocusedWindow> focused = desktop.focusedWindow();
            ASSERT_TRUE(focused) << focused.error().message();
            found = *focused;
            if (found->caret) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        ASSERT_TRUE(found && found->caret) << "no caret found";
        const std::int32_t x = found->caret->x;
        const std::int32_t y = found->caret->y;
        // The line edit's window sits at (300, 400) on the screen, 40 pixels high. Qt 6.4
        // reports the top of a character box as the top of the field, not of the text line, so
        // only the column can be held to Qt's own caret.
        if (std::string(where) == "empty") {
            EXPECT_EQ(x, 0);
        } else {
            EXPECT_NEAR(x, caretX - 300, 2);
        }
        EXPECT_GE(y, 0);
        EXPECT_LE(y, caretY - 400);
    }
}

// The lookup remembers where it found the last caret; when the focus goes to another
// application and back, each answer is still the caret of the one focused now.
TEST(AtspiCaret, CaretFollowsTheFocusFromOneApplicationToAnother) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    ASSERT_NE(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "needs a session bus";
    const std::vector<std::string> environment = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1",
                                                  "QT_QPA_PLATFORM=xcb"};
    X11Desktop desktop;
    // The caret's column in the window that has the focus, once it is `column` (10 s at most).
    const auto columnOnceItIs = [&](std::int32_t column) -> std::optional<FocusedWindow> {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::optional<FocusedWindow> found;
        while (std::chrono::steady_clock::now() < deadline) {
            if (DesktopResult<FocusedWindow> focused = desktop.focusedWindow()) {
                found = *focused;
                if (found->caret && std::abs(found->caret->x - column) <= 2) {
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return found;
    };
    // The line edits' windows both sit at (300, 400) on the screen; the caret is in the middle
    // of one's text and at the end of the other's.
    test::ChildProcess middle({KORVANE_QT_LINE_EDIT, "middle"}, environment);
    int middleX = 0;
    ASSERT_TRUE(std::istringstream(middle.readLine(20000)) >> middleX) << "no Qt program";
    const std::optional<FocusedWindow> first = columnOnceItIs(middleX - 300);
    ASSERT_TRUE(first && first->caret) << "no caret found";
    ASSERT_NEAR(first->caret->x, middleX - 300, 2);

    test::ChildProcess end({KORVANE_QT_LINE_EDIT, "end"}, environment);
    int endX = 0;
    ASSERT_TRUE(std::istringstream(end.readLine(20000)) >> endX) << "no Qt program";
    ASSERT_GT(std::abs(endX - middleX), 10);
    const std::optional<FocusedWindow> second = columnOnceItIs(endX - 300);
    ASSERT_TRUE(second && second->caret) << "no caret found";
    EXPECT_NE(second->window, first->window);
    EXPECT_NEAR(second->caret->x, endX - 300, 2);

    test::ChildProcess focus(
        {"sh", "-c",
         "xdotool windowfocus --sync " + std::to_string(first->window) + " && echo ok"});
    ASSERT_EQ(focus.readLine(15000), "ok");
    const std::optional<FocusedWindow> back = columnOnceItIs(middleX - 300);
    ASSERT_TRUE(back && back->caret) << "no caret found";
    EXPECT_EQ(back->window, first->window);
    EXPECT_NEAR(back->caret->x, middleX - 300, 2);
}

}  // namespace
}  // namespace korvane
