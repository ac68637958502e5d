#pragma once

#include <chrono>
#include <functional>

namespace korvane {

// The front end's own thread, which the core's state belongs to. Qt: the window's event loop; a
// console program without one runs the function at once under its own lock.
class UiThread {
  public:
    virtual ~UiThread() = default;
    // Any thread: runs `fn` on the front end's thread later, in the order of the calls; never
    // waits for that thread. Dropped when the front end is gone.
    virtual void post(std::function<void()> fn) = 0;
    // Any thread: as post, but `delay` after the front end's thread took the call.
    virtual void postAfter(std::chrono::milliseconds delay, std::function<void()> fn) = 0;
};

}  // namespace korvane
