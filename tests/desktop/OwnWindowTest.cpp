#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "desktop/x11/X11Desktop.h"

namespace korvane {
namespace {

// Looks the focus up from a thread other than the window's, as the request threads do, while
// the window's thread keeps its event loop going.
WindowHandle focusFromAnotherThread(TX11Desktop& desktop, std::string& error) {
    WindowHandle found = 1;
    std::thread lookup([&] {
        std::int32_t x = 0;
        std::int32_t y = 0;
        found = desktop.mdlGetFocusWindow(error, x, y);
    });
    lookup.join();
    return found;
}

// Waits (up to 5 s, serving Qt's events) until the focus lookup names this program.
std::string waitForOwnFocus(TX11Desktop& desktop) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string error;
    while (std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents();
        error.clear();
        if (focusFromAnotherThread(desktop, error) == 0 && !error.empty()) {
            return error;
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
    TX11Desktop desktop;

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
