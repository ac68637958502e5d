#pragma once

#include <QAccessibleWidget>

namespace korvane {

class LogListView;

// What assistive technology sees of a LogListView: a List whose children are the rows, child i
// being row i (LogRowAccessible, made by the view when first asked for), and whose focus child is
// the current row. The list's scroll bars are not among its children, as with Qt's own lists.
// Made by QAccessible through `create` and owned by it. Window thread only.
class LogListAccessible : public QAccessibleWidget {
  public:
    explicit LogListAccessible(LogListView* view);

    // The factory given to QAccessible::installFactory: an interface for a LogListView, else
    // nullptr.
    static QAccessibleInterface* create(const QString& className, QObject* object);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;

  private:
    LogListView* view() const;
};

}  // namespace korvane
