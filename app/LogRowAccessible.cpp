#include "app/LogRowAccessible.h"

#include <QItemSelectionModel>

#include "app/LogListView.h"

namespace korvane {

LogRowAccessible::LogRowAccessible(LogListView* view, qint64 line) : mView(view), mLine(line) {}

LogListView* LogRowAccessible::view() const {
    return mView.data();
}

int LogRowAccessible::row() const {
    return mView != nullptr && mView->model() != nullptr ? mView->rowOfLine(mLine) : -1;
}

bool LogRowAccessible::isValid() const {
    return row() >= 0;
}

QObject* LogRowAccessible::object() const {
    return nullptr;
}

QWindow* LogRowAccessible::window() const {
    QAccessibleInterface* list = parent();
    return list != nullptr ? list->window() : nullptr;
}

QAccessibleInterface* LogRowAccessible::childAt(int, int) const {
    return nullptr;
}

QAccessibleInterface* LogRowAccessible::parent() const {
    return mView != nullptr ? QAccessible::queryAccessibleInterface(mView.data()) : nullptr;
}

QAccessibleInterface* LogRowAccessible::child(int) const {
    return nullptr;
}

int LogRowAccessible::childCount() const {
    return 0;
}

int LogRowAccessible::indexOfChild(const QAccessibleInterface*) const {
    return -1;
}

QString LogRowAccessible::text(QAccessible::Text t) const {
    const QModelIndex line = index();
    return t == QAccessible::Name && line.isValid() ? line.data(Qt::DisplayRole).toString()
                                                    : QString();
}

// The log is read only.
void LogRowAccessible::setText(QAccessible::Text, const QString&) {}

QRect LogRowAccessible::rect() const {
    const int at = row();
    if (at < 0) {
        return {};
    }
    const QRect local = mView->rowRect(at);
    return {mView->viewport()->mapToGlobal(local.topLeft()), local.size()};
}

QAccessible::Role LogRowAccessible::role() const {
    return QAccessible::ListItem;
}

QAccessible::State LogRowAccessible::state() const {
    QAccessible::State state;
    const QModelIndex line = index();
    if (!line.isValid()) {
        state.invalid = true;
        return state;
    }
    state.selectable = mView->selectionMode() != QAbstractItemView::NoSelection;
    state.focusable = true;
    state.selected =
        mView->selectionModel() != nullptr && mView->selectionModel()->isSelected(line);
    state.focused = mView->hasFocus() && line == mView->currentIndex();
    if (!mView->isVisible()) {
        state.invisible = true;
    } else if (!mView->viewport()->rect().intersects(mView->rowRect(line.row()))) {
        state.offscreen = true;
    }
    return state;
}

QModelIndex LogRowAccessible::index() const {
    const int at = row();
    return at >= 0 ? mView->model()->index(at, 0, mView->rootIndex()) : QModelIndex();
}

}  // namespace korvane
