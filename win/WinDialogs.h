#pragma once

#include <windows.h>

#include <mutex>
#include <set>
#include <string>

#include "core/AppDialogs.h"

namespace korvane {

// The message boxes as Windows shows them (MessageBoxW), titled with the program's title. A box of
// the window's thread is modal to the main window once it is given; another thread's box is
// shown by that thread itself, which waits for it, with no owner.
class WinDialogs : public AppDialogs {
  public:
    explicit WinDialogs(std::string title);

    // The window the window's thread's boxes belong to; null before it exists.
    void setOwner(HWND owner) { mOwner = owner; }

    // Any thread.
    void showError(const std::string& text) override;
    // The window's thread.
    void showWarning(const std::string& text) override;
    bool confirm(const std::string& text) override;

    // From now on no box is shown to another thread (their texts are traced), and the boxes other
    // threads show are closed: the window's thread is about to wait for those threads.
    void shutdown();

  private:
    int showBox(const std::string& text, UINT style);

    std::wstring mTitle;
    HWND mOwner = nullptr;
    const DWORD mWindowThread;
    std::mutex mLock;
    bool mShutdown = false;
    // The threads other than the window's that show a box now.
    std::multiset<DWORD> mBoxThreads;
};

}  // namespace korvane
