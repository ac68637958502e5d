#include "app/TrayIcon.h"

#include <QAction>
#include <QLineEdit>
#include <QPainter>

#include "app/Logos.h"
#include "app/MainWindow.h"

namespace korvane {
namespace {

// The logo with a lamp in its corner: green while listening, grey while stopped.
QIcon stateIcon(bool listening) {
    constexpr int kSide = 64;
    QImage image = drawLogo(kSide).convertToFormat(QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 3));
    painter.setBrush(listening ? QColor(0x00, 0xC0, 0x00) : QColor(0x90, 0x90, 0x90));
    painter.drawEllipse(QRectF(kSide * 0.52, kSide * 0.52, kSide * 0.44, kSide * 0.44));
    painter.end();
    return QIcon(QPixmap::fromImage(image));
}

}  // namespace

TrayIcon::TrayIcon(MainWindow& window, std::function<bool()> trayPresent)
    : mWindow(window), mTrayPresent(std::move(trayPresent)) {
    showAction = mMenu.addAction(tr("ウィンドウを表示"));
    listenAction = mMenu.addAction(QString());
    mMenu.addSeparator();
    quitAction = mMenu.addAction(tr("終了"));
    mIcon.setContextMenu(&mMenu);

    connect(showAction, &QAction::triggered, &mWindow, &MainWindow::showFromTray);
    connect(listenAction, &QAction::triggered, &mWindow, &MainWindow::toggleListening);
    connect(quitAction, &QAction::triggered, &mWindow, &QWidget::close);
    connect(&mIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick) {
                    mWindow.showFromTray();
                }
            });
    connect(&mWindow, &MainWindow::listeningChanged, this, &TrayIcon::showState);
    showState(mWindow.isListening());
    // Qt tells of no tray coming or going (only of a tray replaced while the icon shows), so ask.
    connect(&mTrayPoll, &QTimer::timeout, this, &TrayIcon::followTray);
    mTrayPoll.start(kTrayPollMs);
    followTray();
}

void TrayIcon::followTray() {
    const bool present = mTrayPresent();
    if (present == mInTray) {
        return;
    }
    mInTray = present;
    mIcon.setVisible(present);
    mWindow.setMinimizeToTray(present);
    // A window hidden into the tray would be out of reach; one not yet shown at all (the splash
    // is up) is left for the program to show.
    if (!present && mWindow.isHidden() && mWindow.testAttribute(Qt::WA_WState_ExplicitShowHide)) {
        mWindow.showFromTray();
    }
}

void TrayIcon::showState(bool listening) {
    mIcon.setIcon(stateIcon(listening));
    mIcon.setToolTip(listening ? tr("KORVANE Server - 待ち受け中 (%1:%2)")
                                     .arg(QString::fromStdString(mWindow.selectedAddress()),
                                          mWindow.portEdit->text())
                               : tr("KORVANE Server - 待ち受け停止中"));
    listenAction->setText(listening ? tr("待ち受け停止") : tr("待ち受け開始"));
}

}  // namespace korvane
