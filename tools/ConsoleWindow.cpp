#include "tools/ConsoleWindow.h"

#include "platform/VisibleText.h"

namespace korvane {

void ConsoleWindow::insertLogLine(const std::string& line) {
    // A terminal obeys the control characters it is given: a phone's key must not clear it, set
    // its clipboard or start a line of its own.
    write(visibleText(line, LineBreaks::Mark) + '\n');
}

void ConsoleWindow::writeOwnText(const std::string& text) {
    write(text);
}

void ConsoleWindow::write(const std::string& text) {
    std::unique_lock lock(mLock);
    mPending += text;
    if (mWriting) {
        return;
    }
    mWriting = true;
    std::string piece;
    while (!mPending.empty()) {
        piece.swap(mPending);
        mPending.clear();
        lock.unlock();
        mLog << piece << std::flush;
        lock.lock();
    }
    mWriting = false;
}

void ConsoleWindow::listenerStopped() {
    {
        std::lock_guard lock(mLock);
        mStopped = true;
    }
    mChanged.notify_all();
}

void ConsoleWindow::showError(const std::string& text) {
    std::lock_guard lock(mLock);
    mErrors << visibleText(text, LineBreaks::Keep) << std::endl;
}

void ConsoleWindow::waitUntilStopped() {
    std::unique_lock lock(mLock);
    mChanged.wait(lock, [this] { return mStopped; });
}

}  // namespace korvane
