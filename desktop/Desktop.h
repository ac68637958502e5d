#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "desktop/CaptureGeometry.h"
#include "desktop/CaptureShape.h"
#include "desktop/DesktopError.h"
#include "desktop/DesktopResult.h"

namespace korvane {

// The platform's window handle; 0 means no window.
using WindowHandle = std::uint64_t;

// The window that takes what the phone sends, and its text caret in client coordinates when the
// platform could tell where it is.
struct FocusedWindow {
    WindowHandle window = 0;
    std::optional<Point> caret;
    // What kind of window it is, the same for every window of one program: the X11 class
    // (WM_CLASS) of its top-level window, the Wayland app id, or the Windows class of the
    // foreground window. UTF-8 as far as the platform gives it; empty when the window names none.
    std::string kind;
};

// Everything the program does on the user's desktop: find the window that has the keyboard focus
// and its text caret, type into it through the clipboard, press keys, and capture the screen
// around the caret into a PNG file, or type the text as keys instead. Failures never escape: each
// operation returns its error, whose message is the text for the log (and, for a capture, for the
// phone). Calls come one at a time from the request handling's desktop lock.
class Desktop {
  public:
    virtual ~Desktop() = default;

    // Whether the user's session is locked now: a lock screen has the keyboard, and whatever is
    // typed would go into its password field, so nothing may be typed or captured. Where the
    // platform cannot tell, the platform's implementation says which way it errs. Asked before
    // every command, from any thread, outside the one-at-a-time rule: it is cheap and never waits.
    virtual bool sessionLocked() = 0;
    // The focused window of the foreground application. A window of this program is an OwnWindow
    // error: nothing may be typed into it.
    virtual DesktopResult<FocusedWindow> focusedWindow() = 0;
    // Puts `text` (UTF-8) on the clipboard, pauses 100 ms and presses Control+V; returns once the
    // window has taken the text, so a key after it never overtakes the text. A window that has
    // not asked for the text when a short budget (500 ms) has passed is a NotTaken error: the
    // keys went, but the text is most likely not in (a window that asks later gets whatever the
    // clipboard holds by then).
    virtual DesktopError pasteText(WindowHandle window, const std::string& text) = 0;
    // As pasteText, then puts back the text the clipboard held before, once the window has taken
    // the barcode (or the budget has passed; a failure to put it back is told before NotTaken).
    // Only text can be put back: a clipboard that held nothing, or no text (a picture, files), is
    // left holding the barcode.
    virtual DesktopError pasteTextRestoringClipboard(WindowHandle window,
                                                     const std::string& text) = 0;
    // Types `text` (UTF-8) as key presses, for windows that do not paste; the clipboard is left
    // alone. A line break is typed as Enter and a TAB as Tab; other control characters are not
    // typed. A character that no key of the layout produces is typed through a spare key that is
    // given that character for the moment (and given back afterwards); the error is Keys when
    // there is no spare key. `keyDelay` is the pause between two keys, for programs that drop
    // keys that come too fast. Returns once every key has been sent.
    virtual DesktopError typeText(WindowHandle window, const std::string& text,
                                  std::chrono::milliseconds keyDelay) = 0;
    // The phone's suffix code: "1" Enter, "2" Tab, another integer nothing; not an integer is a
    // BadKeyCode error.
    virtual DesktopError pressSuffixKey(WindowHandle window, const std::string& code) = 0;
    // The phone's prefix code: "1" F2, another integer nothing; not an integer is a BadKeyCode
    // error.
    virtual DesktopError pressPrefixKey(WindowHandle window, const std::string& code) = 0;
    // Once the pause the phone's delay code asks for has passed since `pauseFrom`, the picture of
    // `shape` around the caret (client coordinates of `window`), written as a PNG file to
    // `pngPath`, replacing it whole; the caret is placed on the screen where its window is at
    // the pause's end (on X11 a quarter of a millisecond before it). A caller whose own work may
    // run within the pause (finding the window) starts it before that work.
    virtual DesktopError capture(WindowHandle window, Point caret, const CaptureShape& shape,
                                 std::int32_t delayCode,
                                 std::chrono::steady_clock::time_point pauseFrom,
                                 const std::string& pngPath) = 0;
};

}  // namespace korvane
