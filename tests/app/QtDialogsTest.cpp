#include "app/QtDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <thread>

#include "tests/app/AppFakes.h"

namespace korvane {
namespace {

TEST(QtDialogs, AServerThreadsBoxIsShownByTheGuiThreadAndWaitsForTheAnswer) {
    test::app();
    QtDialogs dialogs(QStringLiteral("KORVANE Server"));
    std::atomic<bool> returned{false};
    QString shownText;
    // answers the box as soon as the GUI thread shows it.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                shownText = box->text();
                box->accept();
            }
        }
    });
    answer.start(20);
    std::thread server([&] {
        dialogs.showError("Error:mdlSetValue:\rbad_alloc");
        returned = true;
    });
    while (!returned) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    server.join();
    EXPECT_EQ(shownText.toStdString(), "Error:mdlSetValue:\nbad_alloc");
}

TEST(QtDialogs, ShutdownReleasesAServerThreadWaitingForABox) {
    test::app();
    QtDialogs dialogs(QStringLiteral("KORVANE Server"));
    // The GUI thread never runs its loop here, as while it waits for the server to stop.
    std::thread server([&] { dialogs.showError("late error"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    dialogs.shutdown();
    server.join();
    // The box that was queued is not shown after the shutdown.
    QCoreApplication::processEvents();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<QMessageBox*>(widget), nullptr);
    }
}

}  // namespace
}  // namespace korvane
