#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "core/OptionsForm.h"
#include "win/Translator.h"
#include "win/UiFont.h"

namespace korvane {

// The options beyond address and port (詳細設定): how barcodes are typed, the duplicate guard, the
// scan history and the language. A view of an OptionsForm, which decides what is enabled and what
// the choices mean: shows the form given and hands the user's back when OK is pressed; the caller
// applies them. Modal to its owner, the main window, which stays disabled while it is open. The
// window's thread only.
class OptionsWindow {
  public:
    // `accepted` is called with the fields as shown when OK is pressed, before the window
    // closes; it may not destroy this object.
    OptionsWindow(HINSTANCE instance, HWND owner, const Translator& texts, const OptionsForm& shown,
                  std::function<void(const OptionsForm&)> accepted);
    ~OptionsWindow();
    OptionsWindow(const OptionsWindow&) = delete;
    OptionsWindow& operator=(const OptionsWindow&) = delete;

    bool isOpen() const { return mWindow != nullptr; }

  private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls(const OptionsForm& shown);
    HWND addControl(const wchar_t* className, const std::string& text, DWORD style, int id,
                    RECT place);
    // A number box with its arrows, from 0 to `maximum`, and its unit after it.
    void addNumber(int id, int spinId, int value, int maximum, const char* unit, int top);
    // Enables the fields that mean something with the input method chosen.
    void showInputMethod();
    OptionsForm form() const;
    std::string text(const char* source) const;
    int scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(mDpi), 96); }

    HINSTANCE mInstance;
    HWND mOwner;
    const Translator& mTexts;
    std::function<void(const OptionsForm&)> mAccepted;
    // Not shown here (the Run key's tick is the tray's and the window's business): kept as given.
    bool mStartsWithSession;
    HWND mWindow = nullptr;
    UINT mDpi = 96;
    std::unique_ptr<UiFont> mFont;
};

}  // namespace korvane
