#pragma once

#include <QWidget>
#include <string>

#include "handling/ApprovalPrompt.h"

class QPushButton;

namespace korvane {

// The question whether a phone may use the desktop, in the main window's font: the phone's key
// and address, and 許可 (always), 今回のみ許可 (this run), 拒否; beside them the button that shows
// the approval code (codeButton: the main window opens it, the question stays open). It stays on
// top but never takes the keyboard focus, so a scan under way keeps typing into the field that has
// it. GUI thread only.
class ApprovalWindow : public QWidget {
    Q_OBJECT
  public:
    ApprovalWindow(const std::string& clientKey, const std::string& address, QWidget* parent);

    QPushButton* codeButton;
    QPushButton* alwaysButton;
    QPushButton* thisRunButton;
    QPushButton* refuseButton;

  signals:
    // Once: the button pressed, or Dismissed when the window was closed without one.
    void answered(korvane::ApprovalAnswer answer);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void answer(ApprovalAnswer answer);

    bool mAnswered = false;
};

}  // namespace korvane
