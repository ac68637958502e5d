#include "tools/ConsoleWindow.h"

namespace korvane {

void ConsoleWindow::insertLogLine(const std::string& line) {
    std::lock_guard lock(mLock);
    mLog << line << std::endl;
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
