#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "core/QrMatrix.h"
#include "win/QrControl.h"
#include "win/UiFont.h"

namespace korvane {

// The connection QR code large, in a window of its own owned by the main window, with the address
// and port under it, for a phone held further away. A click on the code closes it; so does
// destroying this object. The window's thread only.
class QrLargeWindow {
  public:
    // At the dots per inch of `owner`, the main window.
    QrLargeWindow(HINSTANCE instance, HWND owner, const std::string& title, QrMatrix matrix,
                  const std::string& caption);
    ~QrLargeWindow();
    QrLargeWindow(const QrLargeWindow&) = delete;
    QrLargeWindow& operator=(const QrLargeWindow&) = delete;

    // False once the user closed it.
    bool isOpen() const { return mWindow != nullptr; }

  private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void layout();
    int scaled(int pixels) const { return MulDiv(pixels, static_cast<int>(mDpi), 96); }

    HWND mWindow = nullptr;
    UINT mDpi;
    QrControl mQr;
    HWND mCaption = nullptr;
    std::unique_ptr<UiFont> mFont;
};

}  // namespace korvane
