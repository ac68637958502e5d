#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace korvane {

class DeviceApproval;

// The phones approved for good: key, last address and when each was approved, with a button that
// removes the selected one (it is asked about again at its next request). GUI thread only.
class DevicesDialog : public QDialog {
    Q_OBJECT
  public:
    DevicesDialog(DeviceApproval& approval, QWidget* parent);

    QTreeWidget* deviceList;
    QPushButton* removeButton;
    QPushButton* closeButton;

  private:
    void fill();
    void removeSelected();

    DeviceApproval& mApproval;
};

}  // namespace korvane
