#include "app/LogList.h"

namespace korvane {

void LogListModel::addNewest(const std::vector<std::string>& oldestFirst) {
    if (oldestFirst.empty()) {
        return;
    }
    beginInsertRows(QModelIndex(), 0, static_cast<int>(oldestFirst.size()) - 1);
    for (const std::string& line : oldestFirst) {
        mLines.push_back(QString::fromStdString(line));
    }
    endInsertRows();
}

int LogListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(mLines.size());
}

QVariant LogListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return mLines[mLines.size() - 1 - static_cast<std::size_t>(index.row())];
}

FixedRowHeightDelegate::FixedRowHeightDelegate(int height, QObject* parent)
    : QStyledItemDelegate(parent), mHeight(height) {}

QSize FixedRowHeightDelegate::sizeHint(const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
    return {QStyledItemDelegate::sizeHint(option, index).width(), mHeight};
}

}  // namespace korvane
