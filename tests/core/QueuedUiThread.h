#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "core/UiThread.h"

namespace korvane::test {

// Runs what is posted when the test says so, as a window's event loop would later.
class QueuedUiThread : public UiThread {
  public:
    void post(std::function<void()> fn) override {
        std::lock_guard lock(mLock);
        mPosted.push_back(std::move(fn));
    }
    void postAfter(std::chrono::milliseconds, std::function<void()> fn) override {
        post(std::move(fn));
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
};

}  // namespace korvane::test
