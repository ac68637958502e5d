#pragma once

#include <string>
#include <utility>

namespace korvane {

// What went wrong on the desktop. Code branches on the kind; the message is the Japanese text
// that reaches the log and, for a capture, the phone.
class DesktopError {
  public:
    enum class Kind {
        Ok,
        // No window has the keyboard focus, or it could not be asked for.
        NoFocus,
        // The focused window is one of this program's own: nothing may be typed into it.
        OwnWindow,
        // The display cannot be reached or lacks what the operation needs.
        Unavailable,
        // The phone's key code is not an integer.
        BadKeyCode,
        // The clipboard could not be set.
        Clipboard,
        // The keys could not be sent.
        Keys,
        // The window vanished before its position could be known.
        WindowGone,
        // The capture rectangle cannot be formed from the phone's shape.
        BadShape,
        // The picture could not be made or written.
        Capture,
        // The paste's keys went, but no window asked for the pasted text within the wait: the
        // focused window does not paste with Control+V (a terminal, a button) or was too slow.
        NotTaken,
        // The focused window belongs to a program run as administrator while this one is not
        // (Windows): the system would drop the keys without a word, so none are sent.
        Elevated,
    };

    DesktopError() = default;
    DesktopError(Kind kind, std::string message) : mKind(kind), mMessage(std::move(message)) {}

    Kind kind() const { return mKind; }
    const std::string& message() const { return mMessage; }
    // True when something went wrong.
    explicit operator bool() const { return mKind != Kind::Ok; }

  private:
    Kind mKind = Kind::Ok;
    std::string mMessage;
};

}  // namespace korvane
