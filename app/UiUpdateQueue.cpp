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

void UiUpdateQueue::postLine(std::string_view line) {
    bool wasEmpty = false;
    {
        std::lock_guard guard(mLock);
        wasEmpty = mPending.empty();
        if (wasEmpty || mPending.back().stoppedAfter) {
            mPending.emplace_back();
        }
        mPending.back().lines.add(line);
        if (++mPendingLines > kMaxLogLines) {
            for (Pending& pending : mPending) {
                if (!pending.lines.empty()) {
                    pending.lines.dropOldest(1);
                    --mPendingLines;
                    break;
                }
            }
        }
    }
    // One wake-up per batch: a burst of lines costs one event, not one per line.
    if (wasEmpty) {
        QMetaObject::invokeMethod(&mFrame, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    }
}

void UiUpdateQueue::postStopped() {
    {
        std::lock_guard guard(mLock);
        if (mPending.empty() || mPending.back().stoppedAfter) {
            mPending.emplace_back();
        }
        mPending.back().stoppedAfter = true;
    }
    QMetaObject::invokeMethod(this, &UiUpdateQueue::flush, Qt::QueuedConnection);
}

void UiUpdateQueue::flush() {
    std::deque<Pending> pending;
    std::size_t lineCount = 0;
    {
        std::lock_guard guard(mLock);
        pending.swap(mPending);
        lineCount = std::exchange(mPendingLines, 0);
    }
    mFrame.setInterval(lineCount >= kBusyFrameLines ? kBusyFrameMs : kFrameMs);
    for (Pending& part : pending) {
        if (!part.lines.empty()) {
            mOnLines(std::move(part.lines));
        }
        if (part.stoppedAfter) {
            mOnStopped();
        }
    }
}

}  // namespace korvane
