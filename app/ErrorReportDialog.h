#pragma once

#include <QDialog>

#include "core/FaultReport.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace korvane {

// The error-report dialog: what happened (an exception nothing handled, after which the program
// goes on, or a fatal fault that ended an earlier run), the program's version, where the report
// was saved, the report itself, and a button that copies the report to the clipboard. Not modal:
// the window behind it stays in use. GUI thread only.
class ErrorReportDialog : public QDialog {
    Q_OBJECT
  public:
    explicit ErrorReportDialog(const FaultReport& report, QWidget* parent = nullptr);

    // Shows `report` in a dialog of its own, which deletes itself when closed.
    static void showReport(const FaultReport& report);

    QLabel* whatHappened;
    QLabel* version;
    QLabel* savedIn;
    QPlainTextEdit* reportText;
    QPushButton* copyButton;
    QPushButton* closeButton;
};

}  // namespace korvane
