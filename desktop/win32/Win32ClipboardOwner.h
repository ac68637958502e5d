#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "desktop/ClipboardOwner.h"

namespace korvane::win32 {

// Holds text on the Windows clipboard as CF_UNICODETEXT with delayed rendering: a hidden window
// on a thread of its own owns the clipboard and renders the text when a program first asks for
// it (WM_RENDERFORMAT). That request is the hand-over a paste waits for, as on X11, so that a key
// sent after Control+V never reaches the window before the text has.
//
// setText, text and waitForDelivery may be called from any thread, one caller at a time.
class Win32ClipboardOwner : public ClipboardOwner {
  public:
    // Starts the owner thread; its window exists once the constructor returns (or never, and then
    // setText fails).
    Win32ClipboardOwner();
    // Leaves the text on the clipboard rendered, so that it outlives this object, and ends the
    // thread.
    ~Win32ClipboardOwner() override;
    Win32ClipboardOwner(const Win32ClipboardOwner&) = delete;
    Win32ClipboardOwner& operator=(const Win32ClipboardOwner&) = delete;

    // The clipboard's text (CF_UNICODETEXT, up to its first NUL) as any program would paste it;
    // nothing when it holds no text (empty, a picture, files) or could not be opened.
    std::optional<std::string> text() override;
    // Puts `text` on the clipboard as CF_UNICODETEXT, with the registered formats that keep it out
    // of the clipboard history, the cloud clipboard and clipboard monitors
    // (ExcludeClipboardContentFromMonitorProcessing, CanIncludeInClipboardHistory = 0,
    // CanUploadToCloudClipboard = 0). A Clipboard error when the clipboard could not be opened
    // (another program holding it for more than a moment) or the owner window is missing.
    DesktopError setText(const std::string& text) override;
    // How many times the text has been rendered for a program so far.
    std::uint64_t deliveries() override;
    bool waitForDelivery(std::uint64_t after, std::chrono::milliseconds budget) override;
    // Windows keeps a rendered text and hands it out itself.
    bool countsEveryAsk() const override { return false; }

  private:
    // The owner window's procedure, in ClipboardOwner.cpp.
    friend struct OwnerWindow;

    void run();
    // Sets the clipboard's data from mText; called on the owner thread while it owns it.
    void render();

    std::thread mThread;
    void* mWindow = nullptr;
    mutable std::mutex mLock;
    std::condition_variable mChanged;
    std::wstring mText;
    std::uint64_t mDeliveries = 0;
    bool mReady = false;
};

}  // namespace korvane::win32
