#include "tools/ConsoleWindow.h"

namespace korvane {

void ConsoleWindow::insertLogLine(const std::string& line) {
    std::unique_lock lock(mLock);
    mPending += line;
    mPending += '\n';
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
    mErrors << text << std::endl;
}

void ConsoleWindow::waitUntilStopped() {
    std::unique_lock lock(mLock);
    mChanged.wait(lock, [this] { return mStopped; });
}

}  // namespace korvane
