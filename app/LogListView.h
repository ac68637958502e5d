#pragma once

#include <QAbstractItemView>

namespace korvane {

// The log's list: the rows of a flat model, each one line high (`rowHeight`) and as wide as the
// list, scrolled by whole rows. QListView lays out every row again after each insertion, so a
// frame's lines cost it as much as the log is long; here a row's place is its number times the
// row height, and adding or removing rows costs only the rows that are drawn. A line wider than
// the list is cut at its edge (the window shows a chosen line whole elsewhere).
// Window thread only, as every widget.
class LogListView : public QAbstractItemView {
    Q_OBJECT
  public:
    LogListView(int rowHeight, QWidget* parent);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

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

  private:
    int rowCount() const;
    int topRow() const;
    // The scroll bar's range for a list of `rows` rows: the top row goes from the first down to
    // where the last row shows at the bottom.
    void setScrollRange(int rows);
    // Rows that fit whole in the viewport, at least one.
    int fullRows() const;
    QRect rowRect(int row) const;

    int mRowHeight;
};

}  // namespace korvane
