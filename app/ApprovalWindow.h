#pragma once

#include <QWidget>
#include <string>

#include "handling/ApprovalPrompt.h"

class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvane {

class ApprovalDesk;

// The phones waiting for approval, in the main window's font: one row per address with its key,
// its first and last request, how many and how many under a new key, and 許可 (always),
// 今回のみ許可 (this run) and 拒否 (the key and the address, for this run) on each row; above
// them the question, and a warning when many new keys asked lately or the list was full; below
// them the button that shows the approval code (codeButton: the main window opens it). A view
// of the desk's list: refresh() reads it again, and so does a timer while the window shows, as
// requests are counted and entries leave. It stays on top but never takes the keyboard focus, so
// a scan under way keeps typing into the field that has it. GUI thread only.
class ApprovalWindow : public QWidget {
    Q_OBJECT
  public:
    ApprovalWindow(ApprovalDesk& desk, QWidget* parent);

    // Reads the waiting phones again; the window hides when none is left.
    void refresh();
    // Refreshes and shows the window, without taking the focus, when a phone waits.
    void showPhones();

    // The row's button that gives `answer` for the phone at `address`; null when not listed.
    QPushButton* answerButton(const std::string& address, ApprovalAnswer answer) const;

    QTreeWidget* phoneList;
    QLabel* warningLabel;
    QPushButton* codeButton;

  private:
    QTreeWidgetItem* rowOf(const std::string& address) const;
    void addButtons(QTreeWidgetItem* row, const std::string& address);
    void answer(const std::string& address, ApprovalAnswer answer);

    ApprovalDesk& mDesk;
    QTimer* mRefreshTimer;
};

}  // namespace korvane
