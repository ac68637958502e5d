#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace korvane {

// Watches this PC's IPv4 addresses, the interfaces' up and down and the IPv4 routes (the default
// route decides which address is offered first): netlink on Linux, the IP helper's change
// notifications on Windows. A burst of changes (a DHCP renewal takes an address away and gives it
// back within milliseconds) is told once, when `quiet` has passed without another change, so that
// the one told reads the addresses after the burst; a steady stream is told at least every few
// quiet periods. `changed` runs on the watch's own thread, never two at once and never after the
// destructor has returned; it must not destroy the watch.
class AddressWatch {
  public:
    using Changed = std::function<void()>;

    // Starts watching at once; failure() says when it could not.
    AddressWatch(std::chrono::milliseconds quiet, Changed changed);
    // Stops the thread promptly (a wait under way included) and waits for it.
    ~AddressWatch();
    AddressWatch(const AddressWatch&) = delete;
    AddressWatch& operator=(const AddressWatch&) = delete;

    // Why nothing is watched; empty while it watches.
    const std::string& failure() const { return mFailure; }
    // Tells `changed` once more, as after a change, a quiet period from now. Any thread; never
    // waits.
    void poke();

  private:
    struct State;
    std::string mFailure;
    std::unique_ptr<State> mState;
};

}  // namespace korvane
