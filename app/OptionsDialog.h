#pragma once

#include <QDialog>

#include "core/OptionsForm.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace korvane {

// The options beyond address and port: how barcodes are typed (with the kinds of window the
// automatic method types into, which can be forgotten one or all at once), the duplicate guard,
// the scan history, the language and starting with the session. A view of an OptionsForm, which
// decides what is enabled and what the choices mean: shows the form given and hands the user's back
// through form(); the caller applies them. GUI thread.
class OptionsDialog : public QDialog {
    Q_OBJECT
  public:
    OptionsDialog(const OptionsForm& shown, QWidget* parent);

    // The fields as the dialog shows them now.
    OptionsForm form() const;
    // Shows `note` (the history folder's path, copied) under the history's folder button.
    void showHistoryFolderNote(const QString& note);

    QComboBox* inputMethodBox;
    QSpinBox* keyDelayBox;
    QCheckBox* restoreClipboardCheck;
    QListWidget* typedKindsList;
    QPushButton* forgetKindButton;
    QPushButton* forgetAllKindsButton;
    QSpinBox* duplicateBox;
    QCheckBox* historyCheck;
    QPushButton* historyFolderButton;
    QLabel* historyFolderNote;
    QComboBox* languageBox;
    QCheckBox* sessionStartCheck;
    QDialogButtonBox* buttons;

  signals:
    void historyFolderRequested();

  private:
    // Enables the fields that mean something with the input method chosen.
    void showInputMethod();
    // Lists mKinds' typed window kinds and enables the buttons that can forget one.
    void showTypedKinds();
    void forgetSelectedKind();

    // The typed window kinds as listed, and those forgotten here.
    OptionsForm mKinds;
};

}  // namespace korvane
