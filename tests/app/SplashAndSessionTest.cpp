#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "app/SessionEnd.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "tests/app/AppFakes.h"
#include "tests/app/TempFolder.h"

namespace korvane {
namespace {

class SplashTest : public ::testing::Test {
  protected:
    QApplication& mApp = test::App();
    test::TempFolder mFolder;
    test::NoDesktop mDesktop;
    test::FakeDialogs mDialogs;
    TForm1 mForm{mDesktop, mDialogs, mFolder / "korvane-server.ini", "",
                 [](auto&) { return false; }};
};

TEST_F(SplashTest, ShowsTheTitleClosesItselfAndArmsTheAutomaticStart) {
    TForm2 splash(mForm);
    EXPECT_EQ(splash.Label1->text().toStdString(), "KORVANE Server Ver1.1.2.0");
    EXPECT_TRUE(splash.Label2->text().isEmpty());
    EXPECT_TRUE(splash.Timer1->isActive());
    EXPECT_EQ(splash.Timer1->interval(), 3000);
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);

    // The user cannot close it.
    splash.show();
    splash.reject();
    EXPECT_FALSE(splash.close());
    EXPECT_TRUE(splash.isVisible());
    EXPECT_FALSE(mForm.tmrStart->isActive());

    splash.Timer1->setInterval(10);  // rather than wait three seconds
    int result = splash.exec();
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.Timer1->isActive());
    EXPECT_TRUE(mForm.tmrStart->isActive());
}

TEST(SessionEnd, ASignalOrTheSessionManagersQuitEndsOnceOnTheGuiThread) {
    test::App();
    for (bool bySignal : {true, false}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "quit event");
        int ended = 0;
        TSessionEnd sessionEnd([&] { ++ended; });
        if (bySignal) {
            std::raise(SIGTERM);
        } else {
            QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
        }
        QTest::qWait(100);
        EXPECT_EQ(ended, 1);
        EXPECT_TRUE(sessionEnd.Ended());
        std::raise(SIGINT);
        QTest::qWait(100);
        EXPECT_EQ(ended, 1);
    }
}

}  // namespace
}  // namespace korvane
