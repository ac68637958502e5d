#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "desktop/DesktopError.h"

namespace korvane {

// What a paste needs of a platform's clipboard: to put a text on it, held by this program, and to
// learn when a window has taken that text. A window asks for a pasted text only once it handles
// the paste keys, and may handle keys that follow them (Enter, Tab) before the text is in; a
// paste that returns after the hand-over keeps those keys behind the text.
//
// Each platform's owner serves the text from a thread of its own, so that a window is answered
// while the paste sleeps or waits. The paste calls one at a time; the owner lives as long as its
// desktop.
class ClipboardOwner {
  public:
    virtual ~ClipboardOwner() = default;

    // The clipboard's text as any program would paste it, read before a paste so that it can be
    // put back; nothing when the clipboard holds no text (empty, a picture, files) or cannot be
    // read in time.
    virtual std::optional<std::string> text() = 0;
    // Makes `text` (UTF-8) the clipboard's content; a Clipboard error with the reason (for the
    // log) when it could not. No key follows a failure.
    virtual DesktopError setText(const std::string& text) = 0;
    // How many times a window has been handed the whole text so far (any text, any form).
    virtual std::uint64_t deliveries() = 0;
    // Waits up to `budget` until a window is handed the text after `after` deliveries; false when
    // none was.
    virtual bool waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) = 0;
    // Whether every program that asks for the text is handed it by the owner (and counted), even
    // after another program was: true where each ask reaches the owner (X11, Wayland); false
    // where the system keeps the text once it was handed over (Windows), so that a clipboard
    // history that read it first hides the window's paste from the count.
    virtual bool countsEveryAsk() const { return true; }
};

}  // namespace korvane
