#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>

#include "core/LogLines.h"
#include "core/UiThread.h"

namespace korvane {

// Carries the log lines and the stopped-state changes that server threads make to the window's
// thread, in the order they were posted. Posting never waits for the window's thread, so it is
// safe under the handler's log lock while that thread may be waiting for the same lock. Posts
// between two flushes are coalesced into one wake-up, and while the window's thread is busy at
// most the log's kMaxLogLines lines wait: the oldest waiting line gives way, as the log would drop
// it anyway.
class UiUpdateQueue {
  public:
    using LinesHandler = std::function<void(LogLines oldestFirst)>;
    using StoppedHandler = std::function<void()>;

    // The handlers run on `uiThread`, which must outlive the queue or drop what is posted to it
    // once the queue is gone.
    UiUpdateQueue(UiThread& uiThread, LinesHandler onLines, StoppedHandler onStopped);

    // Any thread.
    void postLine(std::string_view line);
    void postStopped();

    // Window thread: applies everything posted so far. Runs by itself from the event loop: lines
    // once a frame (kFrameMs after the first of a batch), so a stream of them costs the list one
    // insertion and one layout a frame; a stopped state at the next pass, with the lines before it.
    void flush();

    static constexpr std::chrono::milliseconds kFrameMs{16};
    // A frame that brought this many lines means they stream in faster than anyone reads them (a
    // flood of peers): the next frame comes after kBusyFrameMs instead, and the log moves five
    // times a second while it lasts. Each frame draws a screenful of new rows (a few ms of a core,
    // mostly text shaping); at twenty a second they delayed the server's replies in its wake on a
    // 2-core machine (the slowest 1 % of them twice as slow), at 5 a second no longer measurably.
    static constexpr std::size_t kBusyFrameLines = 100;
    static constexpr std::chrono::milliseconds kBusyFrameMs{200};

  private:
    // Lines, then a stopped state if one was posted after them.
    struct Pending {
        LogLines lines;
        bool stoppedAfter = false;
    };

    UiThread& mUiThread;
    LinesHandler mOnLines;
    StoppedHandler mOnStopped;
    std::mutex mLock;
    // A deque: growing it never moves (or, LogLines' move being allowed to throw, copies) the
    // lines already waiting, which the lock would be held for.
    std::deque<Pending> mPending;
    std::size_t mPendingLines = 0;
    // How long the next batch waits for its frame.
    std::chrono::milliseconds mFrame = kFrameMs;
};

}  // namespace korvane
