#pragma once

#include <QAbstractListModel>

#include "core/LogLines.h"

namespace korvane {

// The log's lines, newest first, at most kMaxLogLines of them. DisplayRole gives a line on one row
// as visibleText shows it (each line break as " ↵ ", so that a multi-line error reads whole in
// the list instead of ending at its first line, and no control from a peer's bytes steers the
// row), kWholeLineRole the line as it was added. Lines are stored oldest first so that
// adding one at the top costs no more than appending, and dropping the oldest no more than taking
// from the front; they are kept as they come (UTF-8, in LogLines' texts) and converted only when a
// row is shown, as a flood of lines would otherwise cost the window's thread a conversion and an
// allocation each.
class LogListModel : public QAbstractListModel {
    Q_OBJECT
  public:
    using QAbstractListModel::QAbstractListModel;

    // Puts the lines at the top; the last one given ends up first.
    void addNewest(LogLines oldestFirst);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static constexpr int kWholeLineRole = Qt::UserRole;

  private:
    LogLines mLines;
};

}  // namespace korvane
