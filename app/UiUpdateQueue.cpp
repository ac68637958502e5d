#include "app/UiUpdateQueue.h"

namespace korvane {

TUiUpdateQueue::TUiUpdateQueue(LinesHandler pOnLines, StoppedHandler pOnStopped)
    : mOnLines(std::move(pOnLines)), mOnStopped(std::move(pOnStopped)) {}

void TUiUpdateQueue::PostLine(std::string pLine) {
    Post({false, std::move(pLine)});
}

void TUiUpdateQueue::PostStopped() {
    Post({true, {}});
}

void TUiUpdateQueue::Post(Update pUpdate) {
    bool wasEmpty = false;
    {
        std::lock_guard guard(mLock);
        wasEmpty = mPending.empty();
        mPending.push_back(std::move(pUpdate));
    }
    // One wake-up per batch: a burst of lines costs one event, not one per line.
    if (wasEmpty) {
        QMetaObject::invokeMethod(this, &TUiUpdateQueue::Flush, Qt::QueuedConnection);
    }
}

void TUiUpdateQueue::Flush() {
    std::vector<Update> updates;
    {
        std::lock_guard guard(mLock);
        updates.swap(mPending);
    }
    std::vector<std::string> lines;
    for (Update& update : updates) {
        if (!update.Stopped) {
            lines.push_back(std::move(update.Text));
            continue;
        }
        if (!lines.empty()) {
            mOnLines(lines);
            lines.clear();
        }
        mOnStopped();
    }
    if (!lines.empty()) {
        mOnLines(lines);
    }
}

}  // namespace korvane
