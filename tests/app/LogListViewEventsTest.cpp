#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleEvent>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTest>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/LogList.h"
#include "app/LogListView.h"

namespace korvane {
namespace {

struct SeenEvent {
    QAccessible::Event type;
    int child;
};
std::vector<SeenEvent> gSeen;

void keepRowEvents(QAccessibleEvent* event) {
    if (event->type() == QAccessible::Focus || event->type() == QAccessible::Selection) {
        gSeen.push_back({event->type(), event->child()});
    }
}

// An accessibility client is active only on a platform with an accessibility bridge, so this
// program runs on the X server (xcb), unlike the other window tests, with Qt's AT-SPI bridge told
// to join the accessibility bus as when a screen reader runs. The bridge waits for that bus to
// appear; the bus's launcher starts it when first asked for its address, as a screen reader does.
QApplication& xcbApp() {
    static int argc = 1;
    static char name[] = "korvane-log-events-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        auto* made = new QApplication(argc, argv);
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
        return made;
    }();
    return *app;
}

// Lines "line <from>" to "line <to - 1>", the last on top and current, as MainWindow::showLines
// puts a frame's lines into the window's list.
void frame(LogListModel& model, LogListView& view, int from, int to) {
    LogLines lines;
    for (int i = from; i < to; ++i) {
        lines.add("line " + std::to_string(i));
    }
    model.addNewest(std::move(lines));
    view.selectionModel()->setCurrentIndex(model.index(0), QItemSelectionModel::ClearAndSelect);
}

// A frame tells an active client once which row is now current, however many lines it brings:
// Focus while the list has the keyboard focus, Selection otherwise.
TEST(LogListViewEvents, AFrameTellsAnActiveClientOnceAboutTheNewCurrentRow) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "needs an X server: run scripts/test";
    ASSERT_NE(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "needs a session bus";
    xcbApp();
    // The bridge joins the bus shortly after the application starts.
    ASSERT_TRUE(QTest::qWaitFor([] { return QAccessible::isActive(); }, 10000));
    LogListModel model;
    LogListView view(16, nullptr);
    view.setModel(&model);
    view.setSelectionMode(QAbstractItemView::SingleSelection);
    view.resize(400, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    frame(model, view, 0, 3);
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(&keepRowEvents);
    for (const bool focused : {false, true}) {
        SCOPED_TRACE(focused ? "focused" : "not focused");
        if (focused) {
            view.activateWindow();
            view.setFocus();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
            ASSERT_TRUE(view.hasFocus());
        }
        gSeen.clear();
        const int newest = model.rowCount();
        frame(model, view, newest, newest + 50);
        ASSERT_EQ(gSeen.size(), 1u);
        EXPECT_EQ(gSeen[0].type, focused ? QAccessible::Focus : QAccessible::Selection);
        EXPECT_EQ(gSeen[0].child, 0);
    }

    // The same through Qt's own AT-SPI bridge, which sends them on the bus.
    QAccessible::installUpdateHandler(previous);
    frame(model, view, model.rowCount(), model.rowCount() + 50);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&view);
    EXPECT_EQ(list->focusChild(), list->child(0));
    EXPECT_EQ(list->child(0)->text(QAccessible::Name).toStdString(), "line 152");
}

}  // namespace
}  // namespace korvane
