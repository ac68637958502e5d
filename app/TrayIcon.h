#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

class QAction;

namespace korvane {

class MainWindow;

// The program's icon in the desktop's system tray, where the desktop has one: its picture and
// tooltip say whether the program listens; its menu shows the window, starts or stops
// listening, and quits by the window's own close rules (a listening program asks to be stopped
// first; otherwise the user confirms). While it is in the tray, "minimise when listening starts"
// hides the window into it instead of the task bar. GUI thread only.
class TrayIcon : public QObject {
    Q_OBJECT
  public:
    // Shows the icon when `trayAvailable`; the menu works either way (tests drive it).
    TrayIcon(MainWindow& window, bool trayAvailable);

    QSystemTrayIcon& icon() { return mIcon; }
    QMenu& menu() { return mMenu; }
    QAction* showAction;
    QAction* listenAction;
    QAction* quitAction;

  private:
    void showState(bool listening);

    MainWindow& mWindow;
    QMenu mMenu;
    QSystemTrayIcon mIcon;
};

}  // namespace korvane
