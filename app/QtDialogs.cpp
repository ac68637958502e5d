#include "app/QtDialogs.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
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

// What a window manager's title bar needs besides the title: the frame's icon and buttons.
constexpr int kTitleBarRoom = 128;

// Qt sizes a box to its text and buttons alone, and a window manager elides a title wider than
// that ("KORV… erver" over a short question): the box is made wide enough for its title too.
QMessageBox::StandardButton showBox(QMessageBox::Icon icon, const QString& title,
                                    const std::string& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, title, displayText(text), buttons);
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(title) + kTitleBarRoom;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
    return box.standardButton(box.clickedButton());
}

}  // namespace

QtDialogs::QtDialogs(QString title) : mTitle(std::move(title)) {}

void QtDialogs::showError(const std::string& text) {
    if (QThread::currentThread() == thread()) {
        showBox(QMessageBox::Critical, mTitle, text, QMessageBox::Ok);
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
            showBox(QMessageBox::Critical, mTitle, text, QMessageBox::Ok);
            std::lock_guard guard(mLock);
            *done = true;
            mAnswered.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mLock);
    mAnswered.wait(lock, [&] { return *done || mShutdown; });
}

void QtDialogs::showWarning(const std::string& text) {
    showBox(QMessageBox::Warning, mTitle, text, QMessageBox::Ok);
}

bool QtDialogs::confirm(const std::string& text) {
    return showBox(QMessageBox::Question, mTitle, text, QMessageBox::Yes | QMessageBox::No) !=
           QMessageBox::No;
}

void QtDialogs::shutdown() {
    std::lock_guard guard(mLock);
    mShutdown = true;
    mAnswered.notify_all();
}

}  // namespace korvane
