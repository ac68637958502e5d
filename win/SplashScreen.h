#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "win/UiFont.h"

namespace korvane {

// The start's splash: the logo and the program's title in a frameless window above the others,
// in the middle of the screen, for three seconds; it cannot be closed before. Then it closes
// itself and calls `closed` on the window's thread. Made on the thread that runs the message
// loop.
class SplashScreen {
  public:
    SplashScreen(HINSTANCE instance, std::function<void()> closed);
    ~SplashScreen();
    SplashScreen(const SplashScreen&) = delete;
    SplashScreen& operator=(const SplashScreen&) = delete;

    static constexpr UINT kShownMs = 3000;

  private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HDC dc) const;
    int scaled(int pixels) const;

    HWND mWindow = nullptr;
    UINT mDpi = 96;
    std::function<void()> mClosed;
    std::unique_ptr<UiFont> mFont;
    HICON mLogo = nullptr;
};

}  // namespace korvane
