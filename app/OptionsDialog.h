#pragma once

#include <QDialog>

#include "core/Settings.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QPushButton;
class QSpinBox;

namespace korvane {

// The options beyond address and port: how barcodes are typed, the duplicate guard, the scan
// history, the language and starting with the session. Shows `settings` and hands the user's
// choices back through chosen(); the caller applies them. GUI thread.
class OptionsDialog : public QDialog {
    Q_OBJECT
  public:
    OptionsDialog(const AppSettings& settings, bool startsWithSession, QWidget* parent);

    // `settings` with the options as the dialog shows them now.
    AppSettings chosen(AppSettings settings) const;
    bool startsWithSession() const;

    QComboBox* inputMethodBox;
    QSpinBox* keyDelayBox;
    QCheckBox* restoreClipboardCheck;
    QSpinBox* duplicateBox;
    QCheckBox* historyCheck;
    QPushButton* historyFolderButton;
    QComboBox* languageBox;
    QCheckBox* sessionStartCheck;
    QDialogButtonBox* buttons;

  signals:
    void historyFolderRequested();

  private:
    void showInputMethod();
};

}  // namespace korvane
