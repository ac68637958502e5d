#include "app/LogList.h"

#include "platform/VisibleText.h"

namespace korvane {

void LogListModel::addNewest(LogLines oldestFirst) {
    if (oldestFirst.empty()) {
        return;
    }
    beginInsertRows(QModelIndex(), 0, static_cast<int>(oldestFirst.size()) - 1);
    mLines.append(std::move(oldestFirst));
    endInsertRows();
    if (mLines.size() > kMaxLogLines) {
        const auto extra = static_cast<int>(mLines.size() - kMaxLogLines);
        beginRemoveRows(QModelIndex(), static_cast<int>(kMaxLogLines),
                        static_cast<int>(kMaxLogLines) + extra - 1);
        mLines.dropOldest(static_cast<std::size_t>(extra));
        endRemoveRows();
    }
}

int LogListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(mLines.size());
}

QVariant LogListModel::data(const QModelIndex& index, int role) const {
    if ((role != Qt::DisplayRole && role != kWholeLineRole) || !index.isValid() ||
        index.row() >= rowCount()) {
        return {};
    }
    const std::string_view text = mLines[mLines.size() - 1 - static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole) {
        return QString::fromStdString(visibleText(text, LineBreaks::Mark));
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace korvane
