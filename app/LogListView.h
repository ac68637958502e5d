#pragma once

#include <QAbstractItemView>
#include <QAccessible>
#include <map>

namespace korvane {

// The log's list: the rows of a flat model, each one line high (`rowHeight`) and as wide as the
// list, scrolled by whole rows. QListView lays out every row again after each insertion, so a
// frame's lines cost it as much as the log is long; here a row's place is its number times the
// row height, and adding or removing rows costs only the rows that are drawn. A line wider than
// the list is cut at its edge (the window shows a chosen line whole elsewhere).
// Window thread only, as every widget.
//
// Assistive technology sees the list as a List whose children are its rows (LogListAccessible,
// LogRowAccessible). A row's interface is made only when asked for and then follows its line, not
// its row number: the lines are numbered from the oldest, so the lines that come in on top move no
// interface, and an interface goes when its line leaves the log or when the rows change in any
// other way (a reset, a move, rows added below the top). So a frame costs accessibility nothing
// while no interface is asked for, and otherwise only the interfaces of the lines that leave. When
// an accessibility client is active, a change of the current row tells it once: Focus while the
// list has the keyboard focus, Selection otherwise.
class LogListView : public QAbstractItemView {
    Q_OBJECT
  public:
    LogListView(int rowHeight, QWidget* parent);
    ~LogListView() override;

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void setModel(QAbstractItemModel* model) override;
    void setRootIndex(const QModelIndex& index) override;
    void reset() override;

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    friend class LogListAccessible;
    friend class LogRowAccessible;

    int rowCount() const;
    int topRow() const;
    // The scroll bar's range for a list of `rows` rows: the top row goes from the first down to
    // where the last row shows at the bottom.
    void setScrollRange(int rows);
    // Rows that fit whole in the viewport, at least one.
    int fullRows() const;
    QRect rowRect(int row) const;

    // The interface of `row` (0 <= row < rowCount()), made on first use and registered with
    // QAccessible, which owns it; this view deletes it when its line leaves.
    QAccessibleInterface* accessibleRow(int row);
    // A line's number counts the lines before it since the numbering began; the oldest row has
    // mOldestLine.
    qint64 lineOfRow(int row) const;
    // -1 when the line is no longer in the list.
    int rowOfLine(qint64 line) const;
    void forgetAccessibleRows();

    int mRowHeight;
    // The interfaces made so far, by line number.
    std::map<qint64, QAccessible::Id> mAccessibleRows;
    qint64 mOldestLine = 0;
};

}  // namespace korvane
