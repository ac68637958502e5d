#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace korvane {

class DeviceApproval;

// The phones approved for good: key, last address and when each was approved, with a button that
// removes the selected one (it is asked about again at its next request), and one that shows the
// approval code (codeButton: the main window opens it). GUI thread only.
class DevicesDialog : public QDialog {
    Q_OBJECT
  public:
    DevicesDialog(DeviceApproval& approval, QWidget* parent);

    // Lists the devices as they are now.
    void fill();

    QTreeWidget* deviceList;
    QPushButton* codeButton;
    QPushButton* removeButton;
    QPushButton* closeButton;

  private:
    void removeSelected();

    DeviceApproval& mApproval;
};

}  // namespace korvane
