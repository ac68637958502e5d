// The main window's secondary actions: the options dialog, the scan history's folder, the log's
// export and the large QR code.
#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>
#include <QUrl>

#include "app/Autostart.h"
#include "app/MainWindow.h"
#include "app/OptionsDialog.h"
#include "app/QrLargeWindow.h"
#include "core/OptionsForm.h"

namespace korvane {

void MainWindow::openOptions() {
    const std::filesystem::path entry = autostartFilePath();
    const std::filesystem::path program = QCoreApplication::applicationFilePath().toStdString();
    const bool startsWithSession = autostartEnabled(entry, program);
    OptionsDialog dialog(OptionsForm::of(mCore->settings(), startsWithSession), this);
    connect(&dialog, &OptionsDialog::historyFolderRequested, this,
            [this, &dialog] { dialog.showHistoryFolderNote(openHistoryFolder()); });
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const OptionsForm chosen = dialog.form();
    if (mCore->writeOptions(chosen.chosen(mCore->settings()))) {
        // writeOptions's text, through the translation.
        mDialogs.showError(tr("%1 に書き込めません")
                               .arg(QString::fromStdString(mCore->settingsFile().string()))
                               .toStdString());
    }
    if (chosen.startsWithSession != startsWithSession) {
        const std::optional<std::string> failure =
            chosen.startsWithSession ? enableAutostart(entry, program) : disableAutostart(entry);
        if (failure) {
            mDialogs.showError(*failure);
        }
    }
}

QString MainWindow::openHistoryFolder() {
    const std::filesystem::path folder = historyFile().parent_path();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const QString path = QString::fromStdString(folder.string());
    QGuiApplication::clipboard()->setText(path);
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    return tr("パスをクリップボードにコピーしました: %1").arg(path);
}

bool MainWindow::exportLog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    for (int row = mLogModel.rowCount() - 1; row >= 0; --row) {
        file.write(mLogModel.index(row).data(LogListModel::kWholeLineRole).toString().toUtf8());
        file.write("\n");
    }
    return file.flush();
}

void MainWindow::chooseExportFile() {
    const QString path =
        QFileDialog::getSaveFileName(this, tr("ログを書き出す"), QStringLiteral("korvane-log.txt"),
                                     tr("テキストファイル (*.txt);;すべてのファイル (*)"));
    if (!path.isEmpty() && !exportLog(path)) {
        mDialogs.showError(tr("%1 に書き込めません").arg(path).toStdString());
    }
}

void MainWindow::showLogMenu(const QPoint& at) {
    QMenu menu(this);
    menu.addAction(tr("表示中のログを書き出す..."), this, &MainWindow::chooseExportFile);
    menu.addAction(tr("スキャン履歴のフォルダーを開く"), this,
                   [this] { QToolTip::showText(QCursor::pos(), openHistoryFolder(), logList); });
    menu.exec(logList->viewport()->mapToGlobal(at));
}

void MainWindow::showLargeQr() {
    if (mQrBitmap.isNull()) {
        return;
    }
    if (largeQrWindow != nullptr) {
        largeQrWindow->close();
    }
    auto* window = new QrLargeWindow(
        mQrBitmap,
        QString::fromStdString(mCore->selectedAddress()) + QStringLiteral(" : ") + portEdit->text(),
        this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &QObject::destroyed, this, [this, window] {
        if (largeQrWindow == window) {
            largeQrWindow = nullptr;
        }
    });
    largeQrWindow = window;
    window->show();
}

}  // namespace korvane
