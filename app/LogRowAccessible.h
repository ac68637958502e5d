#pragma once

#include <QAccessibleInterface>
#include <QPointer>

namespace korvane {

class LogListView;

// One row of a LogListView as assistive technology sees it: a ListItem named by the row's
// DisplayRole text, selectable, selected and focused as drawn, and offscreen while scrolled out of
// the viewport. It stands for a line, not a row number (see LogListView), so it reads the same
// line while newer lines push it down; it is valid while its line is in the list and its view
// lives. Made by the view when first asked for, owned by QAccessible's cache and deleted by the
// view when its line leaves. Window thread only.
class LogRowAccessible : public QAccessibleInterface {
  public:
    LogRowAccessible(LogListView* view, qint64 line);

    LogListView* view() const;
    // The line's row now; -1 when it has left.
    int row() const;

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;

  private:
    QModelIndex index() const;

    QPointer<LogListView> mView;
    qint64 mLine;
};

}  // namespace korvane
