#include "core/UiUpdateQueue.h"

#include <utility>

namespace korvane {

UiUpdateQueue::UiUpdateQueue(UiThread& uiThread, LinesHandler onLines, StoppedHandler onStopped)
    : mUiThread(uiThread), mOnLines(std::move(onLines)), mOnStopped(std::move(onStopped)) {}

void UiUpdateQueue::postLine(std::string_view line) {
    bool wasEmpty = false;
    std::chrono::milliseconds frame{};
    {
        std::lock_guard guard(mLock);
        wasEmpty = mPending.empty();
        frame = mFrame;
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
        mUiThread.postAfter(frame, [this] { flush(); });
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
    mUiThread.post([this] { flush(); });
}

void UiUpdateQueue::flush() {
    std::deque<Pending> pending;
    std::size_t lineCount = 0;
    {
        std::lock_guard guard(mLock);
        pending.swap(mPending);
        lineCount = std::exchange(mPendingLines, 0);
        mFrame = lineCount >= kBusyFrameLines ? kBusyFrameMs : kFrameMs;
    }
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
