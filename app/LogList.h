#pragma once

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <deque>
#include <string>
#include <vector>

namespace korvane {

// The most lines the log keeps: the newest; older ones leave at the bottom.
inline constexpr std::size_t kMaxLogLines = 100000;

// The log's lines, newest first, at most kMaxLogLines of them. Lines are stored oldest first so
// that adding one at the top costs no more than appending, and dropping the oldest no more than
// taking from the front.
class LogListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    using QAbstractListModel::QAbstractListModel;

    // Puts the lines at the top; the last one given ends up first.
    void addNewest(const std::vector<std::string>& oldestFirst);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  private:
    std::deque<QString> mLines;
};

// Every row of the log is drawn at the same fixed height.
class FixedRowHeightDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    FixedRowHeightDelegate(int height, QObject* parent);
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  private:
    int mHeight;
};

}  // namespace korvane
