#pragma once

#include <windows.h>

#include <vector>

namespace korvane {

// A one-dimensional barcode on a window (the approval code's Code 128): a child window that draws
// the modules left to right as full-height black bars on white, each module the same whole number
// of pixels, as wide as the control allows, centred. With no modules it is white. The window's
// thread only.
class BarcodeControl {
  public:
    BarcodeControl() = default;
    BarcodeControl(const BarcodeControl&) = delete;
    BarcodeControl& operator=(const BarcodeControl&) = delete;

    void create(HWND parent, int id, HINSTANCE instance);
    HWND handle() const { return mWindow; }
    // Draws `modules` (true for a bar) from now on.
    void show(std::vector<bool> modules);

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void paint(HDC dc, const RECT& client) const;

    HWND mWindow = nullptr;
    std::vector<bool> mModules;
};

}  // namespace korvane
