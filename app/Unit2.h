#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace korvane {

class TForm1;

// The splash window: the logo and the version title for three seconds, then it closes itself and
// arms the main window's automatic start.
class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(TForm1& pMainForm);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Image1;
    QTimer* Timer1;

  public slots:
    // The user has no way to close it.
    void reject() override {}

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Timer1Timer();

    TForm1& mMainForm;
    bool mTimeUp = false;
};

}  // namespace korvane
