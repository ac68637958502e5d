#include "app/QtDialogs.h"

#include <QMessageBox>
#include <QThread>
#include <memory>

#include "platform/Trace.h"
#include "platform/VisibleText.h"

namespace korvane {
namespace {

// The program's texts break lines with a lone CR, which Qt would not show as a break. A text may
// quote a peer's bytes: their other controls are shown, not obeyed.
QString displayText(const std::string& text) {
    QString shown = QString::fromStdString(visibleText(text, LineBreaks::Keep));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

}  // namespace

QtDialogs::QtDialogs(QString title) : mTitle(std::move(title)) {}

void QtDialogs::showError(const std::string& text) {
    if (QThread::currentThread() == thread()) {
        QMessageBox::critical(nullptr, mTitle, displayText(text));
        return;
    }
    auto done = std::make_shared<bool>(false);
    {
        std::lock_guard guard(mLock);
        if (mShutdown) {
            traceOutput(text);
            return;
        }
    }
    QMetaObject::invokeMethod(
        this,
        [this, text, done] {
            {
                std::lock_guard guard(mLock);
                if (mShutdown) {
                    return;
                }
            }
            QMessageBox::critical(nullptr, mTitle, displayText(text));
            std::lock_guard guard(mLock);
            *done = true;
            mAnswered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mLock);
    mAnswered.wait(lock, [&] { return *done || mShutdown; });
}

void QtDialogs::showWarning(const std::string& text) {
    QMessageBox::warning(nullptr, mTitle, displayText(text));
}

bool QtDialogs::confirm(const std::string& text) {
    return QMessageBox::question(nullptr, mTitle, displayText(text),
                                 QMessageBox::Yes | QMessageBox::No) != QMessageBox::No;
}

void QtDialogs::shutdown() {
    std::lock_guard guard(mLock);
    mShutdown = true;
    mAnswered.notify_all();
}

}  // namespace korvane
