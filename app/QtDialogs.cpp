#include "app/QtDialogs.h"

#include <QMessageBox>
#include <QThread>
#include <memory>

#include "platform/Trace.h"

namespace korvane {
namespace {

// The program's texts break lines with a lone CR, which Qt would not show as a break.
QString DisplayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

}  // namespace

TQtDialogs::TQtDialogs(QString pTitle) : mTitle(std::move(pTitle)) {}

void TQtDialogs::showError(const std::string& pText) {
    if (QThread::currentThread() == thread()) {
        QMessageBox::critical(nullptr, mTitle, DisplayText(pText));
        return;
    }
    auto done = std::make_shared<bool>(false);
    {
        std::lock_guard guard(mLock);
        if (mShutdown) {
            traceOutput(pText);
            return;
        }
    }
    QMetaObject::invokeMethod(
        this,
        [this, pText, done] {
            {
                std::lock_guard guard(mLock);
                if (mShutdown) {
                    return;
                }
            }
            QMessageBox::critical(nullptr, mTitle, DisplayText(pText));
            std::lock_guard guard(mLock);
            *done = true;
            mAnswered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mLock);
    mAnswered.wait(lock, [&] { return *done || mShutdown; });
}

void TQtDialogs::ShowWarning(const std::string& pText) {
    QMessageBox::warning(nullptr, mTitle, DisplayText(pText));
}

bool TQtDialogs::Confirm(const std::string& pText) {
    return QMessageBox::question(nullptr, mTitle, DisplayText(pText),
                                 QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}

void TQtDialogs::Shutdown() {
    std::lock_guard guard(mLock);
    mShutdown = true;
    mAnswered.notify_all();
}

}  // namespace korvane
