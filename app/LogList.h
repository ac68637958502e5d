#pragma once

#include <QAbstractListModel>
#include <QStyledItemDelegate>
#include <string>
#include <vector>

namespace korvane {

// A log line on one row: each line break (CR LF, LF or CR) shown as kLineBreakMark, so that a
// multi-line error reads whole in the list instead of ending at its first line.
inline constexpr char kLineBreakMark[] = " \u21B5 ";
QString oneRowText(const QString& line);

// The log's lines, newest first. DisplayRole gives a line on one row (oneRowText),
// kWholeLineRole the line as it was added. Lines are only ever added, and are stored oldest first
// so that adding one at the top costs no more than appending.
class LogListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    using QAbstractListModel::QAbstractListModel;

    // Puts the lines at the top; the last one given ends up first.
    void addNewest(const std::vector<std::string>& oldestFirst);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static constexpr int kWholeLineRole = Qt::UserRole;

  private:
    std::vector<QString> mLines;
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
