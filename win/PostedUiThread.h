#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "core/UiThread.h"

namespace korvane {

// The core's UiThread on a Win32 message loop: the thread that made this object, which must run
// one. Functions are queued under a lock and one PostMessage to a message-only window of this
// object wakes the loop for all that are waiting; a delayed one is a timer of that window, set by
// the loop's thread. What is posted and not yet run is dropped when this object is destroyed.
class PostedUiThread : public UiThread {
  public:
    // On the thread whose message loop runs what is posted.
    explicit PostedUiThread(HINSTANCE instance);
    ~PostedUiThread() override;
    PostedUiThread(const PostedUiThread&) = delete;
    PostedUiThread& operator=(const PostedUiThread&) = delete;

    // Any thread.
    void post(std::function<void()> fn) override;
    void postAfter(std::chrono::milliseconds delay, std::function<void()> fn) override;

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void runPosted();
    void runTimer(UINT_PTR id);

    HWND mWindow = nullptr;
    std::mutex mLock;
    std::deque<std::function<void()>> mPosted;
    bool mWakePosted = false;
    // The loop's thread only.
    std::map<UINT_PTR, std::function<void()>> mTimers;
    UINT_PTR mNextTimer = 1;
};

}  // namespace korvane
