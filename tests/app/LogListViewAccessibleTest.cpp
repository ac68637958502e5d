#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleEvent>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/LogList.h"
#include "app/LogListView.h"
#include "tests/app/AppFakes.h"

namespace korvane {
namespace {

constexpr int kRowHeight = 16;

// A shown log list set up as the main window's, fed a frame at a time as the window feeds it.
class LogListViewAccessibleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::app();
        mView = std::make_unique<LogListView>(kRowHeight, nullptr);
        mView->setModel(&mModel);
        mView->setSelectionMode(QAbstractItemView::SingleSelection);
        mView->resize(400, 10 * kRowHeight + 2 * mView->frameWidth());
        mView->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mView.get()));
    }

    // Lines "line <from>" to "line <to - 1>", the last on top and selected, as
    // MainWindow::showLines does.
    void frame(int from, int to) {
        LogLines lines;
        for (int i = from; i < to; ++i) {
            lines.add("line " + std::to_string(i));
        }
        mModel.addNewest(std::move(lines));
        mView->selectionModel()->setCurrentIndex(mModel.index(0),
                                                 QItemSelectionModel::ClearAndSelect);
    }

    QAccessibleInterface* list() { return QAccessible::queryAccessibleInterface(mView.get()); }

    static std::string name(QAccessibleInterface* row) {
        return row != nullptr ? row->text(QAccessible::Name).toStdString() : "(none)";
    }

    LogListModel mModel;
    std::unique_ptr<LogListView> mView;
};

TEST_F(LogListViewAccessibleTest, AListOfRowsNewestFirstWithTheCurrentRowSelectedAndFocused) {
    frame(0, 3);
    mView->activateWindow();
    mView->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(mView.get()));
    ASSERT_TRUE(mView->hasFocus());

    QAccessibleInterface* rows = list();
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows->role(), QAccessible::List);
    ASSERT_EQ(rows->childCount(), 3);
    EXPECT_EQ(rows->child(3), nullptr);
    EXPECT_EQ(rows->child(-1), nullptr);
    for (int i = 0; i < 3; ++i) {
        QAccessibleInterface* row = rows->child(i);
        ASSERT_NE(row, nullptr);
        SCOPED_TRACE(i);
        EXPECT_EQ(name(row), "line " + std::to_string(2 - i));
        EXPECT_EQ(row->role(), QAccessible::ListItem);
        EXPECT_EQ(row->parent(), rows);
        EXPECT_EQ(rows->indexOfChild(row), i);
        EXPECT_EQ(rows->child(i), row) << "asked again, the same interface";
        const QAccessible::State state = row->state();
        EXPECT_TRUE(state.selectable);
        EXPECT_EQ(state.selected, i == 0);
        EXPECT_EQ(state.focused, i == 0);
        EXPECT_FALSE(state.offscreen);
        const QRect drawn = mView->visualRect(mModel.index(i));
        EXPECT_EQ(row->rect(),
                  QRect(mView->viewport()->mapToGlobal(drawn.topLeft()), drawn.size()));
        EXPECT_EQ(rows->childAt(row->rect().center().x(), row->rect().center().y()), row);
    }
    EXPECT_EQ(rows->focusChild(), rows->child(0));
    EXPECT_EQ(rows->indexOfChild(rows), -1);
}

// New lines come in on top at every frame: child 0 is then the newest line, and an interface
// already handed out keeps reading its own line further down. Lines scrolled out of view are
// offscreen.
TEST_F(LogListViewAccessibleTest, RowsFollowTheirLinesAsNewLinesComeOnTop) {
    frame(0, 3);
    QAccessibleInterface* rows = list();
    QAccessibleInterface* wasNewest = rows->child(0);
    QAccessibleInterface* wasOldest = rows->child(2);
    ASSERT_EQ(name(wasNewest), "line 2");

    frame(3, 23);
    ASSERT_EQ(rows->childCount(), 23);
    EXPECT_EQ(name(rows->child(0)), "line 22");
    EXPECT_TRUE(rows->child(0)->state().selected);
    EXPECT_EQ(rows->focusChild(), rows->child(0));
    EXPECT_EQ(name(wasNewest), "line 2");
    EXPECT_EQ(rows->indexOfChild(wasNewest), 20);
    EXPECT_EQ(rows->child(20), wasNewest);
    EXPECT_FALSE(wasNewest->state().selected);
    EXPECT_EQ(rows->indexOfChild(wasOldest), 22);
    EXPECT_TRUE(wasOldest->state().offscreen);
    EXPECT_FALSE(rows->child(0)->state().offscreen);

    mView->scrollToBottom();
    EXPECT_FALSE(wasOldest->state().offscreen);
    EXPECT_TRUE(rows->child(0)->state().offscreen);
    const QRect bottom = mView->visualRect(mModel.index(22));
    EXPECT_EQ(wasOldest->rect(),
              QRect(mView->viewport()->mapToGlobal(bottom.topLeft()), bottom.size()));
}

// Interfaces are owned by QAccessible's cache: the view deletes those whose lines leave at the
// log's cap, all of them when the rows change otherwise, and the rest when it goes.
TEST_F(LogListViewAccessibleTest, RowInterfacesGoWithTheirLinesAndWithTheView) {
    frame(0, static_cast<int>(kMaxLogLines));
    QAccessibleInterface* rows = list();
    const QAccessible::Id oldest = QAccessible::uniqueId(rows->child(99999));
    const QAccessible::Id staying = QAccessible::uniqueId(rows->child(99990));
    ASSERT_EQ(name(rows->child(99999)), "line 0");

    frame(100000, 100005);
    ASSERT_EQ(rows->childCount(), 100000);
    EXPECT_EQ(QAccessible::accessibleInterface(oldest), nullptr);
    QAccessibleInterface* stayed = QAccessible::accessibleInterface(staying);
    ASSERT_NE(stayed, nullptr);
    EXPECT_EQ(name(stayed), "line 9");
    EXPECT_EQ(rows->indexOfChild(stayed), 99995);
    EXPECT_EQ(name(rows->child(99999)), "line 5");
    EXPECT_EQ(name(rows->child(0)), "line 100004");

    // Another model: none of the old rows' interfaces stays.
    LogListModel other;
    LogLines otherLines;
    otherLines.add("other");
    other.addNewest(std::move(otherLines));
    mView->setModel(&other);
    EXPECT_EQ(QAccessible::accessibleInterface(staying), nullptr);
    rows = list();
    ASSERT_EQ(rows->childCount(), 1);
    const QAccessible::Id only = QAccessible::uniqueId(rows->child(0));
    EXPECT_EQ(name(rows->child(0)), "other");

    const QAccessible::Id listId = QAccessible::uniqueId(rows);
    mView.reset();
    EXPECT_EQ(QAccessible::accessibleInterface(only), nullptr);
    EXPECT_EQ(QAccessible::accessibleInterface(listId), nullptr);
}

// No client is active on the offscreen platform: the list then sends no events at all, however
// the current row changes (LogListViewEventsTest has them with a client).
TEST_F(LogListViewAccessibleTest, NoEventsWithoutAnActiveClient) {
    ASSERT_FALSE(QAccessible::isActive());
    static int seen = 0;
    seen = 0;
    const QAccessible::UpdateHandler previous =
        QAccessible::installUpdateHandler([](QAccessibleEvent*) { ++seen; });
    frame(0, 50);
    mView->setFocus();
    frame(50, 100);
    QAccessible::installUpdateHandler(previous);
    EXPECT_EQ(seen, 0);
}

}  // namespace
}  // namespace korvane
