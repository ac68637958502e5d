#include "app/QtDialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
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

// Qt would size a box with a short question to its text and buttons, and a window manager then
// elides the title ("KORV… erver"): each kind of box is wide enough for its title and a title
// bar's icon and buttons, and still answers as before.
TEST(QtDialogs, EveryBoxIsWideEnoughForItsTitle) {
    test::app();
    const QString title = QStringLiteral("KORVANE Server");
    QtDialogs dialogs(title);
    int narrowest = 0;
    QMessageBox::StandardButton click = QMessageBox::NoButton;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                EXPECT_EQ(box->windowTitle(), title);
                narrowest = narrowest == 0 ? box->width() : std::min(narrowest, box->width());
                QAbstractButton* button = box->button(click);
                ASSERT_NE(button, nullptr);
                button->click();
            }
        }
    });
    answer.start(20);
    click = QMessageBox::Ok;
    dialogs.showError("x");
    dialogs.showWarning("x");
    click = QMessageBox::No;
    EXPECT_FALSE(dialogs.confirm("終了しますか？"));
    click = QMessageBox::Yes;
    EXPECT_TRUE(dialogs.confirm("終了しますか？"));
    QFont bold = QApplication::font("QMessageBox");
    bold.setBold(true);
    // Three buttons and an icon of at least 24 pixels each beside the title.
    EXPECT_GE(narrowest, QFontMetrics(bold).horizontalAdvance(title) + 4 * 24);
}

}  // namespace
}  // namespace korvane
