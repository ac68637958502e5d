#pragma once

#include <windows.h>

#include <string>

#include "core/QrMatrix.h"

namespace korvane {

// The connection QR code on the window: a child window that draws the modules of a QrMatrix in
// black on white, each module the same whole number of pixels, as large as the control allows,
// centred. With no matrix (size 0) it is white. A click (the left button let go over it) comes to
// the parent as WM_COMMAND with the control's identifier and STN_CLICKED. The window's thread
// only.
class QrControl {
  public:
    QrControl() = default;
    QrControl(const QrControl&) = delete;
    QrControl& operator=(const QrControl&) = delete;

    // `tip`: shown when the pointer rests on the code; none when empty.
    void create(HWND parent, int id, HINSTANCE instance, const std::wstring& tip = {});
    HWND handle() const { return mWindow; }
    // Draws `matrix` from now on.
    void show(QrMatrix matrix);
    const QrMatrix& matrix() const { return mMatrix; }

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HDC dc, const RECT& client) const;

    HWND mWindow = nullptr;
    QrMatrix mMatrix;
};

}  // namespace korvane
