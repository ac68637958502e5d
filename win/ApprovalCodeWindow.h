#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "handling/ApprovalCode.h"
#include "win/BarcodeControl.h"
#include "win/QrControl.h"
#include "win/Translator.h"
#include "win/UiFont.h"

namespace korvane {

// The one-time approval code (ApprovalCode.h) shown for the phone to be approved to scan: as a QR
// code and as a Code 128 barcode (a phone may be set to read only one kind), and as text to type
// on a phone that reads neither, with the time it has left. Making the window issues a new code,
// which replaces any earlier one (whose window closes at its next look); the window closes once
// its code is used, expires or is replaced, and closing it (or destroying this object) withdraws
// the code. Like the approval question it stays on top, has no owner and is never activated, so a
// scan under way keeps typing into the field that has the keyboard focus. The window's thread
// only.
class ApprovalCodeWindow {
  public:
    // `code` must outlive this object. `used` is called, on the window's thread, when a phone
    // was approved by the code, before the window closes; it may not destroy this object.
    ApprovalCodeWindow(HINSTANCE instance, const Translator& texts, ApprovalCode& code,
                       std::function<void()> used);
    ~ApprovalCodeWindow();
    ApprovalCodeWindow(const ApprovalCodeWindow&) = delete;
    ApprovalCodeWindow& operator=(const ApprovalCodeWindow&) = delete;

    // False once it was closed.
    bool isOpen() const { return mWindow != nullptr; }

  private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    HWND addControl(const wchar_t* className, const std::string& text, DWORD style, int id,
                    HFONT font);
    void layout();
    void showCode();
    // Shows the time the code has left, or closes the window once the code is no longer valid.
    void refresh();
    std::string text(const char* source) const;
    int scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(mDpi), 96); }

    HINSTANCE mInstance;
    const Translator& mTexts;
    ApprovalCode& mCode;
    std::function<void()> mUsed;
    HWND mWindow = nullptr;
    UINT mDpi = 96;
    std::unique_ptr<UiFont> mFont;
    std::unique_ptr<UiFont> mCodeFont;
    QrControl mQr;
    BarcodeControl mBars;
    std::string mCodeText;
};

}  // namespace korvane
