#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>

#include "desktop/x11/X11Desktop.h"

namespace korvane {
namespace {

// Looks the focus up from a thread other than the window's, as the request threads do, while
// the window's thread keeps its event loop going.
DesktopResult<FocusedWindow> focusFromAnotherThread(X11Desktop& desktop) {
    std::optional<DesktopResult<FocusedWindow>> found;
    std::thread lookup([&] { found.emplace(desktop.focusedWindow()); });
    lookup.join();
    return *found;
}

// Waits (up to 5 s, serving Qt's events) until the focus lookup names this program.
std::string waitForOwnFocus(X11Desktop& desktop) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string error;
    while (std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents();
        DesktopResult<FocusedWindow> found = focusFromAnotherThread(desktop);
        if (!found && found.error().kind() == DesktopError::Kind::OwnWindow) {
            return found.error().message();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return error;
}

// The program's own windows, the main window and its dialogs alike, are never a target.
TEST(OwnWindow, FocusLookupRefusesThisProgramsWindows) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    int argc = 1;
    char name[] = "desktop_own_window_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    X11Desktop desktop;

    QLineEdit main;
    main.setGeometry(100, 100, 300, 40);
    main.show();
    main.activateWindow();
    EXPECT_EQ(waitForOwnFocus(desktop), "本プログラムがアクティブになっています。");

    QDialog dialog(&main);
    dialog.setGeometry(500, 300, 200, 100);
    dialog.show();
    dialog.activateWindow();
    // The main window is refused too: the look must wait until the dialog really has the focus.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (QApplication::activeWindow() != &dialog && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(QApplication::activeWindow(), &dialog);
    EXPECT_EQ(waitForOwnFocus(desktop), "本プログラムがアクティブになっています。");
}

}  // namespace
}  // namespace korvane
