#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "desktop/ClipboardOwner.h"

namespace korvane::wayland {

// Holds the clipboard of a wlroots compositor for this process through the data control protocol
// (a program without a focused surface cannot set it through the core protocol). The compositor
// keeps no copy: the text lives here and is written to every client that asks, until another
// client replaces the selection. A thread of its own, with a connection of its own, answers those
// requests, so they are served while the caller sleeps or waits for a lock.
//
// Offered types: text/plain;charset=utf-8, UTF8_STRING, text/plain, TEXT and STRING, all in UTF-8
// (clients of the X server beside the compositor see the text through it too).
//
// A text a client has taken stays on the clipboard 150 ms before setText replaces it: a GTK client
// finishes its read only when it sees the end of the pipe, and a selection change before that
// cancels its paste, which then pastes the new text instead.
class WaylandClipboardOwner : public ClipboardOwner {
  public:
    // What the clipboard held is read within 300 ms by default; an owner that cannot say what it
    // holds within this time loses it to the barcode for good.
    static constexpr std::chrono::milliseconds kReadBudget{300};

    // An empty name means the WAYLAND_DISPLAY environment variable. The connection is made on
    // first use and made again after the compositor dropped it. `readBudget` bounds `text`,
    // which makes a new connection each time.
    explicit WaylandClipboardOwner(const std::string& displayName,
                                   std::chrono::milliseconds readBudget = kReadBudget);
    ~WaylandClipboardOwner() override;
    WaylandClipboardOwner(const WaylandClipboardOwner&) = delete;
    WaylandClipboardOwner& operator=(const WaylandClipboardOwner&) = delete;

    // The clipboard's text, read through data control on a connection of its own.
    std::optional<std::string> text() override;
    // Returns once the compositor has taken the new selection. A Clipboard error when there is
    // no compositor, it lacks the protocol, or it did not answer in time.
    DesktopError setText(const std::string& text) override;
    // A delivery is a client that read the whole text from its pipe.
    std::uint64_t deliveries() override;
    bool waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) override;

  private:
    class Impl;
    std::unique_ptr<Impl> mImpl;
};

}  // namespace korvane::wayland
