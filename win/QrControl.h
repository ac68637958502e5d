#pragma once

#include <windows.h>

#include "core/QrMatrix.h"

namespace korvane {

// The connection QR code on the window: a child window that draws the modules of a QrMatrix in
// black on white, each module the same whole number of pixels, as large as the control allows,
// centred. With no matrix (size 0) it is white. The window's thread only.
class QrControl {
  public:
    QrControl() = default;
    QrControl(const QrControl&) = delete;
    QrControl& operator=(const QrControl&) = delete;

    void create(HWND parent, int id, HINSTANCE instance);
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
