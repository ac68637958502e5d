#include "app/UiUpdateQueue.h"

#include <utility>

#include "app/LogList.h"

namespace korvane {

UiUpdateQueue::UiUpdateQueue(LinesHandler onLines, StoppedHandler onStopped)
    : mOnLines(std::move(onLines)), mOnStopped(std::move(onStopped)) {
    mFrame.setSingleShot(true);
    mFrame.setInterval(kFrameMs);
    connect(&mFrame, &QTimer::timeout, this, &UiUpdateQueue::flush);
}

void UiUpdateQueue::postLine(std::string line) {
    post({false, std::move(line)});
}

void UiUpdateQueue::postStopped() {
    post({true, {}});
}

void UiUpdateQueue::post(Update update) {
    const bool stopped = update.stopped;
    bool wasEmpty = false;
    {
        std::lock_guard guard(mLock);
        wasEmpty = mPending.empty();
        if (!update.stopped && ++mPendingLines > kMaxLogLines && !mPending.front().stopped) {
            mPending.pop_front();
            --mPendingLines;
        }
        mPending.push_back(std::move(update));
    }
    // One wake-up per batch: a burst of lines costs one event, not one per line.
    if (stopped) {
        QMetaObject::invokeMethod(this, &UiUpdateQueue::flush, Qt::QueuedConnection);
    } else if (wasEmpty) {
        QMetaObject::invokeMethod(&mFrame, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    }
}

void UiUpdateQueue::flush() {
    std::deque<Update> updates;
    std::size_t lineCount = 0;
    {
        std::lock_guard guard(mLock);
        updates.swap(mPending);
        lineCount = std::exchange(mPendingLines, 0);
    }
    mFrame.setInterval(lineCount >= kBusyFrameLines ? kBusyFrameMs : kFrameMs);
    std::vector<std::string> lines;
    for (Update& update : updates) {
        if (!update.stopped) {
            lines.push_back(std::move(update.text));
            continue;
        }
        if (!lines.empty()) {
            mOnLines(std::exchange(lines, {}));
        }
        mOnStopped();
    }
    if (!lines.empty()) {
        mOnLines(std::move(lines));
    }
}

}  // namespace korvane
