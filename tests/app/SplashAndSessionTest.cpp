#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "app/MainWindow.h"
#include "app/SessionEnd.h"
#include "app/SplashWindow.h"
#include "tests/app/AppFakes.h"
#include "tests/support/TempFolder.h"

namespace korvane {
namespace {

class SplashTest : public ::testing::Test {
  protected:
    QApplication& mApp = test::app();
    test::TempFolder mFolder;
    test::NoDesktop mDesktop;
    test::FakeDialogs mDialogs;
    MainWindow mForm{mDesktop, mDialogs, mFolder / "korvane-server.ini", "",
                     [](auto&) { return false; }};
};

TEST_F(SplashTest, ShowsTheTitleClosesItselfAndArmsTheAutomaticStart) {
    SplashWindow splash;
    QObject::connect(&splash, &SplashWindow::accepted, &mForm, &MainWindow::armAutomaticStart);
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
    EXPECT_FALSE(mForm.autoStartTimer->isActive());

    splash.closeTimer->setInterval(10);  // rather than wait three seconds
    int result = splash.exec();
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.closeTimer->isActive());
    EXPECT_TRUE(mForm.autoStartTimer->isActive());
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
