#pragma once

#include <functional>
#include <mutex>

#include "core/UiThread.h"

namespace korvane {

// The front end's thread of a program without an event loop (korvane-host): what is posted runs
// at once on the posting thread, one function at a time.
class InlineUiThread : public UiThread {
  public:
    void post(std::function<void()> fn) override {
        std::lock_guard lock(mLock);
        fn();
    }
    // Nothing here draws frames to wait for: at once too.
    void postAfter(std::chrono::milliseconds, std::function<void()> fn) override {
        post(std::move(fn));
    }

  private:
    std::mutex mLock;
};

}  // namespace korvane
