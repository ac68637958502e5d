#pragma once

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
class TXClipboardOwner {
  public:
    // An empty name means the DISPLAY environment variable.
    explicit TXClipboardOwner(const std::string& displayName);
    ~TXClipboardOwner();
    TXClipboardOwner(const TXClipboardOwner&) = delete;
    TXClipboardOwner& operator=(const TXClipboardOwner&) = delete;

    // Makes `text` (UTF-8) the clipboard's content. False with the reason when the selection could
    // not be taken in time. No key follows a failure, so a server that answers only after the time
    // limit may still change the clipboard, but never what is typed.
    bool setText(const std::string& text, std::string& error);

  private:
    class Impl;
    std::unique_ptr<Impl> mImpl;
};

}  // namespace korvane::x11
