#pragma once

#include <chrono>
#include <memory>

namespace korvane {

class ScanHistory;
class TypedWindowKinds;

// How a barcode reaches the focused window.
enum class InputMethod {
    // Through the clipboard and Control+V: fast, any text, but the clipboard is used.
    Paste,
    // As key presses: for windows that do not paste (terminals, remote desktops); the clipboard
    // is left alone.
    TypeKeys,
    // A paste, and typed keys for the kinds of window that did not take one: the paste a window
    // of a kind not yet known misses is reported as a paste's is, and its kind learned.
    Automatic,
};

// The user's choices for handling barcodes. The defaults are the program's plain behaviour:
// paste, the barcode left on the clipboard, every scan typed, nothing recorded.
struct HandlingOptions {
    InputMethod inputMethod = InputMethod::Paste;
    // Paste and Automatic: the clipboard's earlier text is put back after the paste.
    bool restoreClipboard = false;
    // TypeKeys and Automatic: the pause between two keys.
    std::chrono::milliseconds keyDelay{0};
    // The same barcode from the same phone within this time is not typed again; 0 turns the
    // guard off.
    std::chrono::milliseconds duplicateWindow{0};
    // Where each barcode request is recorded; null records nothing.
    std::shared_ptr<ScanHistory> history;
    // Automatic only: the kinds of window that get typed keys, which the handler adds to; null
    // pastes into every window and learns nothing.
    std::shared_ptr<TypedWindowKinds> typedKinds;
};

}  // namespace korvane
