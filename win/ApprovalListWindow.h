#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ApprovalDesk.h"
#include "win/Translator.h"
#include "win/UiFont.h"

namespace korvane {

// The phones waiting for approval: one row per address with its key, its first and last request,
// how many and how many under a new key; above them the question, and a warning when many new
// keys asked lately or the list was full; below them 許可 (always), 今回のみ許可 (this run) and
// 拒否 (the key and the address, for this run) for the selected row (the oldest until one is
// chosen), and the button that shows the approval code. A view of the desk's list: refresh()
// reads it again, and so does a timer while the window shows, as requests are counted and entries
// leave. It stays on top but is never activated, neither when it shows nor when its buttons are
// clicked, so a scan under way keeps typing into the field that has the keyboard focus; it has no
// owner, as the main window may be minimised while phones ask. The window's thread only.
class ApprovalListWindow {
  public:
    // Made hidden. `desk` must outlive this object. `showCode` is called on the window's thread
    // when its button is pressed; it may not destroy this object.
    ApprovalListWindow(HINSTANCE instance, const Translator& texts, ApprovalDesk& desk,
                       std::function<void()> showCode);
    ~ApprovalListWindow();
    ApprovalListWindow(const ApprovalListWindow&) = delete;
    ApprovalListWindow& operator=(const ApprovalListWindow&) = delete;

    // Reads the waiting phones again; the window hides when none is left.
    void refresh();
    // Refreshes and shows the window, without taking the focus, when a phone waits.
    void showPhones();

  private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    HWND addControl(const wchar_t* className, const std::string& text, DWORD style, int id);
    void layout();
    void answer(ApprovalAnswer answer);
    std::string text(const char* source) const;
    int scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(mDpi), 96); }

    HINSTANCE mInstance;
    const Translator& mTexts;
    ApprovalDesk& mDesk;
    std::function<void()> mShowCode;
    HWND mWindow = nullptr;
    UINT mDpi = 96;
    std::unique_ptr<UiFont> mFont;
    // The rows' phones as listed, raw: the cells show their keys with controls as pictures.
    std::vector<std::pair<std::string, std::string>> mRows;  // key, address
};

}  // namespace korvane
