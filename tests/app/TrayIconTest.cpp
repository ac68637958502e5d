#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include "app/MainWindow.h"
#include "app/TrayIcon.h"
#include "tests/app/AppFakes.h"
#include "tests/app/QtTestHelpers.h"
#include "tests/support/Loopback.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

// A tray exists only on a real display, so this program runs on the X server (xcb), unlike the
// other window tests.
QApplication& xcbApp() {
    static int argc = 1;
    static char name[] = "korvane-tray-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A panel with a tray, started after the program as a desktop's panel may be at login.
class Panel {
  public:
    Panel() {
        mProcess.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel",
                                  "--width", "200"});
    }
    ~Panel() { stop(); }
    bool started() { return mProcess.waitForStarted(); }
    void stop() {
        mProcess.terminate();
        mProcess.waitForFinished();
    }

  private:
    QProcess mProcess;
};

// The tray's icon is embedded (it has a place on the screen) and minimising goes into it.
bool inTray(TrayIcon& tray, const MainWindow& window) {
    return tray.icon().isVisible() && !tray.icon().geometry().isEmpty() && window.minimizesToTray();
}

TEST(TrayIconTest, ATrayThatComesLaterGetsTheIconAndOneThatGoesGivesTheWindowBack) {
    xcbApp();
    ASSERT_FALSE(QStandardPaths::findExecutable("trayer").isEmpty())
        << "trayer (a panel with a tray) is missing: scripts/install-deps installs it";
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        GTEST_SKIP() << "this display already has a tray";
    }
    test::TempFolder folder;
    test::NoDesktop desktop;
    test::FakeDialogs dialogs;
    MainWindow window(desktop, dialogs, folder / "korvane-server.ini", folder / "capture.png",
                      [](std::vector<LocalAddress>& addresses) {
                          addresses = {{"127.0.0.1", "lo"}};
                          return true;
                      });
    TrayIcon tray(window, &QSystemTrayIcon::isSystemTrayAvailable);
    window.show();
    EXPECT_FALSE(tray.icon().isVisible());
    EXPECT_FALSE(window.minimizesToTray());

    Panel panel;
    ASSERT_TRUE(panel.started());
    ASSERT_TRUE(test::waitUntil([&] { return inTray(tray, window); }, 4 * TrayIcon::kTrayPollMs))
        << "the icon never reached the tray";

    // Listening hides the window into the tray; the tray going away brings it back.
    window.minimizeCheck->setChecked(true);
    window.portEdit->setText(QString::number(test::freePort()));
    window.listenButton->click();
    ASSERT_TRUE(window.isListening());
    EXPECT_FALSE(window.isVisible());
    panel.stop();
    EXPECT_TRUE(test::waitUntil([&] { return window.isVisible(); }, 4 * TrayIcon::kTrayPollMs));
    EXPECT_FALSE(window.minimizesToTray());
    window.listenButton->click();
    EXPECT_TRUE(test::waitUntil([&] { return !window.isListening(); }));
}

}  // namespace
}  // namespace korvane
