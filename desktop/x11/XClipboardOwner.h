#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace korvane::x11 {

// Holds the CLIPBOARD selection for this process. X has no clipboard store: the text lives here
// and is handed to every client that asks, for as long as no other client takes the selection.
// A thread of its own, with a connection of its own, answers those requests, so they are served
// while the caller sleeps or waits for a lock.
//
// Served targets: TARGETS, TIMESTAMP, UTF8_STRING, STRING and TEXT (Latin-1 as STRING when the text
// fits it, UTF-8 otherwise). STRING is refused for a text that Latin-1 cannot carry, rather than
// handing out a damaged one. A text larger than one request goes by the INCR protocol.
class XClipboardOwner {
  public:
    // An empty name means the DISPLAY environment variable.
    explicit XClipboardOwner(const std::string& displayName);
    ~XClipboardOwner();
    XClipboardOwner(const XClipboardOwner&) = delete;
    XClipboardOwner& operator=(const XClipboardOwner&) = delete;

    // Makes `text` (UTF-8) the clipboard's content. False with the reason when the selection could
    // not be taken in time. No key follows a failure, so a server that answers only after the time
    // limit may still change the clipboard, but never what is typed.
    bool setText(const std::string& text, std::string& error);

    // How many times a client has been handed the whole text so far (any text, any form).
    std::uint64_t deliveries();
    // Waits up to `budget` until a client is handed the text after `after` deliveries; false when
    // none was. X clients ask for a pasted text and may handle the keys that follow the paste
    // keys before it arrives; waiting for the hand-over keeps those keys behind the text. Any
    // client counts: a clipboard manager that copies the text at that moment ends the wait too.
    bool waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget);

  private:
    class Impl;
    std::unique_ptr<Impl> mImpl;
};

}  // namespace korvane::x11
