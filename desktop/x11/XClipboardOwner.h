#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "desktop/ClipboardOwner.h"

namespace korvane::x11 {

// Holds the CLIPBOARD selection for this process. X has no clipboard store: the text lives here
// and is handed to every client that asks, for as long as no other client takes the selection.
// A thread of its own, with a connection of its own, answers those requests, so they are served
// while the caller sleeps or waits for a lock.
//
// Served targets: TARGETS, TIMESTAMP, UTF8_STRING, STRING and TEXT (Latin-1 as STRING when the text
// fits it, UTF-8 otherwise). STRING is refused for a text that Latin-1 cannot carry, rather than
// handing out a damaged one. A text larger than one request goes by the INCR protocol.
//
// A delivery is any client handed the text: a clipboard manager that copies the text as the paste
// keys go ends the wait for the window too.
class XClipboardOwner : public ClipboardOwner {
  public:
    // An empty name means the DISPLAY environment variable.
    explicit XClipboardOwner(const std::string& displayName);
    ~XClipboardOwner() override;
    XClipboardOwner(const XClipboardOwner&) = delete;
    XClipboardOwner& operator=(const XClipboardOwner&) = delete;

    // The CLIPBOARD selection's text, asked of its owner (this one included) on a connection of
    // its own.
    std::optional<std::string> text() override;
    // A Clipboard error when the selection could not be taken in time. A server that answers only
    // after the time limit may still change the clipboard, but never what is typed.
    DesktopError setText(const std::string& text) override;
    std::uint64_t deliveries() override;
    bool waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) override;

  private:
    const std::string mDisplayName;
    class Impl;
    std::unique_ptr<Impl> mImpl;
};

}  // namespace korvane::x11
