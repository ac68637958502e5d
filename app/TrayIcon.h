#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>

class QAction;

namespace korvane {

class MainWindow;

// The program's icon in the desktop's system tray, where the desktop has one: its picture and
// tooltip say whether the program listens; its menu shows the window, starts or stops
// listening, and quits by the window's own close rules (a listening program asks to be stopped
// first; otherwise the user confirms). While it is in the tray, "minimise when listening starts"
// hides the window into it instead of the task bar. A tray that comes after the program (a panel
// that starts later at login, or restarts) gets the icon then; one that goes away gives the window
// back. GUI thread only.
class TrayIcon : public QObject {
    Q_OBJECT
  public:
    // Shows the icon while `trayPresent` says the desktop has a tray, asking it now and every
    // kTrayPollMs; the menu works either way (tests drive it).
    TrayIcon(MainWindow& window, std::function<bool()> trayPresent);

    static constexpr int kTrayPollMs = 2000;

    QSystemTrayIcon& icon() { return mIcon; }
    QMenu& menu() { return mMenu; }
    QAction* showAction;
    QAction* listenAction;
    QAction* quitAction;

  private:
    void showState(bool listening);
    void followTray();

    MainWindow& mWindow;
    QMenu mMenu;
    QSystemTrayIcon mIcon;
    std::function<bool()> mTrayPresent;
    bool mInTray = false;
    QTimer mTrayPoll;
};

}  // namespace korvane
