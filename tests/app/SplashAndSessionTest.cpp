#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <vector>

#include "app/MainWindow.h"
#include "app/SessionEnd.h"
#include "app/SplashWindow.h"
#include "core/Settings.h"
#include "tests/app/AppFakes.h"
#include "tests/app/QtTestHelpers.h"
#include "tests/support/Loopback.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

// The splash's close arms the window's automatic start: a window whose settings ask for it
// starts listening on its own once the splash is gone, and not before.
TEST(SplashTest, ShowsTheTitleClosesItselfAndArmsTheAutomaticStart) {
    test::app();
    test::TempFolder folder;
    AppSettings settings;
    settings.ipAddress = "127.0.0.1";
    settings.portNo = std::to_string(test::freePort());
    settings.autoStart = true;
    ASSERT_EQ(writeSettings(folder / "korvane-server.ini", settings), std::nullopt);
    test::NoDesktop desktop;
    test::FakeDialogs dialogs;
    MainWindow form{desktop, dialogs, folder / "korvane-server.ini", "",
                    [](std::vector<LocalAddress>& addresses) {
                        addresses = {{"127.0.0.1", "lo"}};
                        return true;
                    }};

    SplashWindow splash;
    QObject::connect(&splash, &SplashWindow::accepted, &form, &MainWindow::armAutomaticStart);
    EXPECT_EQ(splash.titleLabel->text().toStdString(), "KORVANE Server Ver1.1.2.0");
    EXPECT_TRUE(splash.headerLabel->text().isEmpty());
    EXPECT_TRUE(splash.closeTimer->isActive());
    EXPECT_EQ(splash.closeTimer->interval(), 3000);
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);

    // The user cannot close it.
    splash.show();
    splash.reject();
    EXPECT_FALSE(splash.close());
    EXPECT_TRUE(splash.isVisible());
    QTest::qWait(300);
    EXPECT_FALSE(form.isListening()) << "the automatic start waits for the splash";

    splash.closeTimer->setInterval(10);  // rather than wait three seconds
    int result = splash.exec();
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.closeTimer->isActive());
    EXPECT_TRUE(test::waitUntil([&] { return form.isListening(); }));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST(SessionEnd, ASignalOrTheSessionManagersQuitEndsOnceOnTheGuiThread) {
    test::app();
    for (bool bySignal : {true, false}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "quit event");
        int ended = 0;
        SessionEnd sessionEnd([&] { ++ended; });
        if (bySignal) {
            std::raise(SIGTERM);
        } else {
            QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
        }
        QTest::qWait(100);
        EXPECT_EQ(ended, 1);
        EXPECT_TRUE(sessionEnd.ended());
        std::raise(SIGINT);
        QTest::qWait(100);
        EXPECT_EQ(ended, 1);
    }
}

}  // namespace
}  // namespace korvane
