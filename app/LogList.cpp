#include "app/LogList.h"

namespace korvane {

void TLogListModel::AddNewest(const std::vector<std::string>& pOldestFirst) {
    if (pOldestFirst.empty()) {
        return;
    }
    beginInsertRows(QModelIndex(), 0, static_cast<int>(pOldestFirst.size()) - 1);
    for (const std::string& line : pOldestFirst) {
        mLines.push_back(QString::fromStdString(line));
    }
    endInsertRows();
}

int TLogListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(mLines.size());
}

QVariant TLogListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    return mLines[mLines.size() - 1 - static_cast<std::size_t>(index.row())];
}

TFixedRowHeightDelegate::TFixedRowHeightDelegate(int pHeight, QObject* pParent)
    : QStyledItemDelegate(pParent), mHeight(pHeight) {}

QSize TFixedRowHeightDelegate::sizeHint(const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    return {QStyledItemDelegate::sizeHint(option, index).width(), mHeight};
}

}  // namespace korvane
