#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "handling/ApprovalPrompt.h"
#include "win/Translator.h"
#include "win/UiFont.h"

namespace korvane {

// The question whether a phone may use the desktop: the phone's key and address, and 許可
// (always), 今回のみ許可 (this run), 拒否; beside them the button that shows the approval code (the
// main window opens it, the question stays open). It stays on top but is never activated, neither
// when it shows nor when its buttons are clicked, so a scan under way keeps typing into the field
// that has the keyboard focus. It has no owner: the main window may be minimised (or in the tray)
// while phones ask. The window's thread only.
class ApprovalQuestionWindow {
  public:
    // What the question's buttons do, called on the window's thread; neither may destroy this
    // object.
    struct Calls {
        // Once: with the button pressed, or Dismissed when the window was closed (or this object
        // destroyed) without one.
        std::function<void(ApprovalAnswer)> answered;
        std::function<void()> showCode;
    };

    // Shown at once.
    ApprovalQuestionWindow(HINSTANCE instance, const Translator& texts,
                           const std::string& clientKey, const std::string& address, Calls calls);
    ~ApprovalQuestionWindow();
    ApprovalQuestionWindow(const ApprovalQuestionWindow&) = delete;
    ApprovalQuestionWindow& operator=(const ApprovalQuestionWindow&) = delete;

    // False once it was answered or closed.
    bool isOpen() const { return mWindow != nullptr; }

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    HWND addControl(const wchar_t* className, const std::string& text, DWORD style, int id);
    void layout();
    void answer(ApprovalAnswer answer);
    int scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(mDpi), 96); }

    HINSTANCE mInstance;
    HWND mWindow = nullptr;
    UINT mDpi = 96;
    std::unique_ptr<UiFont> mFont;
    Calls mCalls;
};

}  // namespace korvane
