#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace korvane {

// The splash window: the logo and the version title for three seconds, then it closes itself as
// accepted (QDialog::accepted), which is when the program goes on to the main window.
class SplashWindow : public QDialog {
    Q_OBJECT
  public:
    SplashWindow();

    QLabel* titleLabel;
    QLabel* headerLabel;
    QLabel* logoLabel;
    QTimer* closeTimer;

  public slots:
    // The user has no way to close it.
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void timeUp();

    bool mTimeUp = false;
};

}  // namespace korvane
