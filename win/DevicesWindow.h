#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "core/ApprovalDesk.h"
#include "win/Translator.h"
#include "win/UiFont.h"

namespace korvane {

// The phones approved for good (承認済みの端末): key, last address and when each was approved,
// with a button that removes the selected one (it is asked about again at its next request), one
// that shows the approval code, and one that closes it. Modal to its owner, the main window,
// which stays disabled while it is open. The window's thread only.
class DevicesWindow {
  public:
    // `desk` must outlive this object. `showCode` is called on the window's thread when its
    // button is pressed; it may not destroy this object.
    DevicesWindow(HINSTANCE instance, HWND owner, const Translator& texts, ApprovalDesk& desk,
                  std::function<void()> showCode);
    ~DevicesWindow();
    DevicesWindow(const DevicesWindow&) = delete;
    DevicesWindow& operator=(const DevicesWindow&) = delete;

    bool isOpen() const { return mWindow != nullptr; }
    // Lists the devices as they are now.
    void fill();

  private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    HWND addControl(const wchar_t* className, const std::string& text, DWORD style, int id);
    void layout();
    void removeSelected();
    std::string text(const char* source) const;
    int scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(mDpi), 96); }

    HINSTANCE mInstance;
    HWND mOwner;
    const Translator& mTexts;
    ApprovalDesk& mDesk;
    std::function<void()> mShowCode;
    HWND mWindow = nullptr;
    UINT mDpi = 96;
    std::unique_ptr<UiFont> mFont;
    // The keys as listed, row by row: a shown key has its controls replaced by pictures.
    std::vector<std::string> mKeys;
};

}  // namespace korvane
