#include "app/LogListView.h"

#include <QAbstractItemDelegate>
#include <QAccessibleEvent>
#include <QCursor>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "app/LogListAccessible.h"
#include "app/LogRowAccessible.h"

namespace korvane {

LogListView::LogListView(int rowHeight, QWidget* parent)
    : QAbstractItemView(parent), mRowHeight(rowHeight) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&LogListAccessible::create);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

LogListView::~LogListView() {
    forgetAccessibleRows();
}

QRect LogListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() ||
        index.column() != 0) {
        return {};
    }
    return rowRect(index.row());
}

void LogListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex()) {
        return;
    }
    const int row = index.row();
    const int top = topRow();
    const int shown = fullRows();
    int newTop = top;
    switch (hint) {
        case EnsureVisible:
            if (row < top) {
                newTop = row;
            } else if (row >= top + shown) {
                newTop = row - shown + 1;
            }
            break;
        case PositionAtTop:
            newTop = row;
            break;
        case PositionAtBottom:
            newTop = row - shown + 1;
            break;
        case PositionAtCenter:
            newTop = row - shown / 2;
            break;
    }
    verticalScrollBar()->setValue(newTop);
}

QModelIndex LogListView::indexAt(const QPoint& point) const {
    if (model() == nullptr || point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width()) {
        return {};
    }
    const int row = topRow() + point.y() / mRowHeight;
    return row < rowCount() ? model()->index(row, 0, rootIndex()) : QModelIndex();
}

void LogListView::setModel(QAbstractItemModel* newModel) {
    forgetAccessibleRows();
    if (model() != nullptr) {
        disconnect(model(), &QAbstractItemModel::layoutChanged, this,
                   &LogListView::forgetAccessibleRows);
        disconnect(model(), &QAbstractItemModel::rowsMoved, this,
                   &LogListView::forgetAccessibleRows);
    }
    QAbstractItemView::setModel(newModel);
    if (newModel != nullptr) {
        connect(newModel, &QAbstractItemModel::layoutChanged, this,
                &LogListView::forgetAccessibleRows);
        connect(newModel, &QAbstractItemModel::rowsMoved, this, &LogListView::forgetAccessibleRows);
    }
}

void LogListView::setRootIndex(const QModelIndex& index) {
    forgetAccessibleRows();
    QAbstractItemView::setRootIndex(index);
}

void LogListView::reset() {
    forgetAccessibleRows();
    QAbstractItemView::reset();
}

QModelIndex LogListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = rowCount();
    if (rows == 0) {
        return {};
    }
    const QModelIndex current = currentIndex();
    if (!current.isValid()) {
        return model()->index(0, 0, rootIndex());
    }
    int row = current.row();
    switch (action) {
        case MoveUp:
        case MovePrevious:
            --row;
            break;
        case MoveDown:
        case MoveNext:
            ++row;
            break;
        case MovePageUp:
            row -= fullRows();
            break;
        case MovePageDown:
            row += fullRows();
            break;
        case MoveHome:
            row = 0;
            break;
        case MoveEnd:
            row = rows - 1;
            break;
        case MoveLeft:
        case MoveRight:
            break;
    }
    return model()->index(std::clamp(row, 0, rows - 1), 0, rootIndex());
}

int LogListView::horizontalOffset() const {
    return 0;
}

int LogListView::verticalOffset() const {
    return topRow() * mRowHeight;
}

bool LogListView::isIndexHidden(const QModelIndex&) const {
    return false;
}

void LogListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (model() == nullptr) {
        return;
    }
    const QRect area = rect.normalized();
    // Rows above the viewport (a drag past its top edge) have negative y.
    const auto rowAtY = [this](int y) {
        return topRow() + (y >= 0 ? y / mRowHeight : -((mRowHeight - 1 - y) / mRowHeight));
    };
    const int first = std::max(0, rowAtY(area.top()));
    const int last = std::min(rowCount() - 1, rowAtY(area.bottom()));
    QItemSelection selection;
    if (first <= last) {
        selection.select(model()->index(first, 0, rootIndex()),
                         model()->index(last, 0, rootIndex()));
    }
    selectionModel()->select(selection, command);
}

QRegion LogListView::visualRegionForSelection(const QItemSelection& selection) const {
    const int top = topRow();
    const int lastShown = top + viewport()->height() / mRowHeight;
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex()) {
            continue;
        }
        const int first = std::max(range.top(), top);
        const int last = std::min(range.bottom(), lastShown);
        if (first <= last) {
            region += QRect(0, (first - top) * mRowHeight, viewport()->width(),
                            (last - first + 1) * mRowHeight);
        }
    }
    return region;
}

void LogListView::updateGeometries() {
    setScrollRange(rowCount());
    QAbstractItemView::updateGeometries();
}

void LogListView::paintEvent(QPaintEvent* event) {
    if (model() == nullptr) {
        return;
    }
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    // Items are drawn in their normal colours whether or not the window is active, as QListView
    // draws them.
    if (isEnabled()) {
        base.palette.setCurrentColorGroup(QPalette::Normal);
    }
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus() || viewport()->hasFocus();
    const QModelIndex hovered = viewport()->underMouse()
                                    ? indexAt(viewport()->mapFromGlobal(QCursor::pos()))
                                    : QModelIndex();
    const QRect area = event->rect();
    const int top = topRow();
    const int first = top + std::max(0, area.top()) / mRowHeight;
    const int last = std::min(rowCount() - 1, top + std::max(0, area.bottom()) / mRowHeight);
    QPainter painter(viewport());
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QStyleOptionViewItem option = base;
        option.rect = rowRect(row);
        option.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        option.state.setFlag(QStyle::State_HasFocus, focused && index == current);
        option.state.setFlag(QStyle::State_MouseOver, index == hovered);
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void LogListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent == rootIndex()) {
        // Rows above the new ones now have other line numbers.
        if (start != 0) {
            forgetAccessibleRows();
        }
        setScrollRange(rowCount());
        viewport()->update();
    }
}

void LogListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    // Set now for the rows that stay: a layout delayed until after the removal would come after
    // the frame's painting and paint the whole list a second time.
    if (parent == rootIndex()) {
        if (end == rowCount() - 1) {
            const qint64 leaving = end - start + 1;
            const auto kept = mAccessibleRows.lower_bound(mOldestLine + leaving);
            for (auto it = mAccessibleRows.begin(); it != kept; ++it) {
                QAccessible::deleteAccessibleInterface(it->second);
            }
            mAccessibleRows.erase(mAccessibleRows.begin(), kept);
            mOldestLine += leaving;
        } else {
            forgetAccessibleRows();
        }
        setScrollRange(rowCount() - (end - start + 1));
        viewport()->update();
    }
}

void LogListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QAbstractItemView::currentChanged(current, previous);
    if (!QAccessible::isActive() || !current.isValid() || current.parent() != rootIndex()) {
        return;
    }
    QAccessibleEvent event(this, hasFocus() ? QAccessible::Focus : QAccessible::Selection);
    event.setChild(current.row());
    QAccessible::updateAccessibility(&event);
}

int LogListView::rowCount() const {
    return model() != nullptr ? model()->rowCount(rootIndex()) : 0;
}

int LogListView::topRow() const {
    return verticalScrollBar()->value();
}

void LogListView::setScrollRange(int rows) {
    const int shown = fullRows();
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(shown);
    verticalScrollBar()->setRange(0, std::max(0, rows - shown));
}

int LogListView::fullRows() const {
    return std::max(1, viewport()->height() / mRowHeight);
}

QRect LogListView::rowRect(int row) const {
    return {0, (row - topRow()) * mRowHeight, viewport()->width(), mRowHeight};
}

QAccessibleInterface* LogListView::accessibleRow(int row) {
    const qint64 line = lineOfRow(row);
    const auto found = mAccessibleRows.find(line);
    if (found != mAccessibleRows.end()) {
        return QAccessible::accessibleInterface(found->second);
    }
    auto* made = new LogRowAccessible(this, line);
    mAccessibleRows.emplace(line, QAccessible::registerAccessibleInterface(made));
    return made;
}

qint64 LogListView::lineOfRow(int row) const {
    return mOldestLine + rowCount() - 1 - row;
}

int LogListView::rowOfLine(qint64 line) const {
    const qint64 row = mOldestLine + rowCount() - 1 - line;
    return row >= 0 && row < rowCount() ? static_cast<int>(row) : -1;
}

void LogListView::forgetAccessibleRows() {
    for (const auto& [line, id] : mAccessibleRows) {
        QAccessible::deleteAccessibleInterface(id);
    }
    mAccessibleRows.clear();
}

}  // namespace korvane
