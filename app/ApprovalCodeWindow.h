#pragma once

#include <QWidget>
#include <string>

class QLabel;
class QPushButton;
class QTimer;

namespace korvane {

class ApprovalCode;

// The one-time approval code (ApprovalCode.h) shown for the phone to be approved to scan: as a QR
// code and as a Code 128 barcode (a phone may be set to read only one kind), and as text to type
// on a phone that reads neither, with the time it has left. Opening the window issues a new code,
// which replaces any earlier one (and closes the window that showed it); the window closes once
// its code is used, expires or is replaced, and closing it withdraws the code. Like the approval
// question it stays on top and never takes the keyboard focus, so a scan under way keeps typing
// into the field that has it. Deleted on close. GUI thread only.
class ApprovalCodeWindow : public QWidget {
    Q_OBJECT
  public:
    // `code` must outlive the window.
    ApprovalCodeWindow(ApprovalCode& code, QWidget* parent);
    ~ApprovalCodeWindow() override;

    // The code shown, as issued; empty when none could be made.
    const std::string& codeText() const { return mCodeText; }
    // Reads what became of the code: shows the time it has left, or closes the window. A timer
    // calls it a few times a second.
    void refresh();

    QLabel* qrLabel;
    QLabel* barcodeLabel;
    QLabel* textLabel;
    QLabel* timeLabel;
    QPushButton* closeButton;

  signals:
    // A phone scanned the code and was approved by it; the window closes next.
    void used();

  private:
    void showCode();

    ApprovalCode& mCode;
    std::string mCodeText;
    QTimer* mTimer;
};

}  // namespace korvane
