#include "app/LogListAccessible.h"

#include "app/LogListView.h"
#include "app/LogRowAccessible.h"

namespace korvane {

LogListAccessible::LogListAccessible(LogListView* view)
    : QAccessibleWidget(view, QAccessible::List) {}

QAccessibleInterface* LogListAccessible::create(const QString& className, QObject* object) {
    auto* view = qobject_cast<LogListView*>(object);
    if (view == nullptr || className != QLatin1String(LogListView::staticMetaObject.className())) {
        return nullptr;
    }
    return new LogListAccessible(view);
}

int LogListAccessible::childCount() const {
    return view()->rowCount();
}

QAccessibleInterface* LogListAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) {
        return nullptr;
    }
    return view()->accessibleRow(index);
}

int LogListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* row = dynamic_cast<const LogRowAccessible*>(child);
    return row != nullptr && row->view() == view() ? row->row() : -1;
}

QAccessibleInterface* LogListAccessible::childAt(int x, int y) const {
    LogListView* list = view();
    const QModelIndex index = list->indexAt(list->viewport()->mapFromGlobal(QPoint(x, y)));
    return index.isValid() ? child(index.row()) : nullptr;
}

QAccessibleInterface* LogListAccessible::focusChild() const {
    const QModelIndex current = view()->currentIndex();
    return current.isValid() ? child(current.row()) : nullptr;
}

LogListView* LogListAccessible::view() const {
    return static_cast<LogListView*>(widget());
}

}  // namespace korvane
