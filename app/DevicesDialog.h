#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class QTreeWidget;

namespace korvane {

class ApprovalDesk;

// The phones approved for good: key, last address and when each was approved, with a button that
// removes the selected one (it is listed as waiting again at its next request); the keys and
// addresses refused in this run, with a button that lifts the selected refusal; and the security
// lines (approvals, refusals, warnings and limits), newest first; and a button that shows the
// approval code (codeButton: the main window opens it). GUI thread only.
class DevicesDialog : public QDialog {
    Q_OBJECT
  public:
    DevicesDialog(ApprovalDesk& desk, QWidget* parent);

    // Lists the devices, refusals and security lines as they are now.
    void fill();

    QTreeWidget* deviceList;
    QPushButton* codeButton;
    QPushButton* removeButton;
    QTreeWidget* refusalList;
    QPushButton* unrefuseButton;
    QListWidget* securityList;
    QPushButton* closeButton;

  private:
    void removeSelected();
    void unrefuseSelected();

    ApprovalDesk& mDesk;
};

}  // namespace korvane
