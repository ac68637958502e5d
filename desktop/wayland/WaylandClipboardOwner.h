#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace korvane::wayland {

// Holds the clipboard of a wlroots compositor for this process through the data control protocol
// (a program without a focused surface cannot set it through the core protocol). The compositor
// keeps no copy: the text lives here and is written to every client that asks, until another
// client replaces the selection. A thread of its own, with a connection of its own, answers those
// requests, so they are served while the caller sleeps or waits for a lock.
//
// Offered types: text/plain;charset=utf-8, UTF8_STRING, text/plain, TEXT and STRING, all in UTF-8
// (clients of the X server beside the compositor see the text through it too).
class WaylandClipboardOwner {
  public:
    // An empty name means the WAYLAND_DISPLAY environment variable. The connection is made on
    // first use and made again after the compositor dropped it.
    explicit WaylandClipboardOwner(const std::string& displayName);
    ~WaylandClipboardOwner();
    WaylandClipboardOwner(const WaylandClipboardOwner&) = delete;
    WaylandClipboardOwner& operator=(const WaylandClipboardOwner&) = delete;

    // Makes `text` (UTF-8) the clipboard's content; returns once the compositor has taken the
    // new selection. False with the reason when there is no compositor, it lacks the protocol,
    // or it did not answer in time.
    bool setText(const std::string& text, std::string& error);

    // How many times a client has been handed the whole text so far (any text, any type).
    std::uint64_t deliveries();
    // Waits up to `budget` until a client is handed the text after `after` deliveries; false when
    // none was. A client reads a pasted text from a pipe after it saw the paste keys and may act
    // on keys that follow before the text is in; waiting for the hand-over keeps them behind it.
    bool waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget);

  private:
    class Impl;
    std::unique_ptr<Impl> mImpl;
};

}  // namespace korvane::wayland
