#pragma once

#include <chrono>
#include <memory>

namespace korvane {

class ScanHistory;

// How a barcode reaches the focused window.
enum class InputMethod {
    // Through the clipboard and Control+V: fast, any text, but the clipboard is used.
    Paste,
    // As key presses: for windows that do not paste (terminals, remote desktops); the clipboard
    // is left alone.
    TypeKeys,
};

// The user's choices for handling barcodes. The defaults are the program's plain behaviour:
// paste, the barcode left on the clipboard, every scan typed, nothing recorded.
struct HandlingOptions {
    InputMethod inputMethod = InputMethod::Paste;
    // Paste only: the clipboard's earlier text is put back after the paste.
    bool restoreClipboard = false;
    // TypeKeys only: the pause between two keys.
    std::chrono::milliseconds keyDelay{0};
    // The same barcode from the same phone within this time is not typed again; 0 turns the
    // guard off.
    std::chrono::milliseconds duplicateWindow{0};
    // Where each barcode request is recorded; null records nothing.
    std::shared_ptr<ScanHistory> history;
};

}  // namespace korvane
