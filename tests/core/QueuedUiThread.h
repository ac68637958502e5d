#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include "core/UiThread.h"

namespace korvane::test {

// Runs what is posted when the test says so, as a window's event loop would later; a delayed post
// is queued at once, its delay recorded.
class QueuedUiThread : public UiThread {
  public:
    void post(std::function<void()> fn) override {
        std::lock_guard lock(mLock);
        mPosted.push_back(std::move(fn));
    }
    void postAfter(std::chrono::milliseconds delay, std::function<void()> fn) override {
        {
            std::lock_guard lock(mLock);
            mDelays.push_back(delay);
        }
        post(std::move(fn));
    }
    // The delays of the postAfter calls so far, in call order.
    std::vector<std::chrono::milliseconds> delays() {
        std::lock_guard lock(mLock);
        return mDelays;
    }
    std::size_t runPosted() {
        std::vector<std::function<void()>> posted;
        {
            std::lock_guard lock(mLock);
            posted.swap(mPosted);
        }
        for (auto& fn : posted) {
            fn();
        }
        return posted.size();
    }

  private:
    std::mutex mLock;
    std::vector<std::function<void()>> mPosted;
    std::vector<std::chrono::milliseconds> mDelays;
};

}  // namespace korvane::test
