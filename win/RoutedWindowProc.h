#pragma once

#include <windows.h>

namespace korvane {

// The window procedure of a window that belongs to an object: the object is passed to
// CreateWindowExW as its creation parameter, `Hwnd` is set to the window at WM_NCCREATE, and every
// message from then on up to WM_NCDESTROY goes to `Handle`; after WM_NCDESTROY the object no
// longer holds the window. Messages before WM_NCCREATE go to DefWindowProcW. Named where the
// window class is registered, inside the class, so that private members can be given.
template <class Window, HWND Window::*Hwnd, LRESULT (Window::*Handle)(UINT, WPARAM, LPARAM)>
LRESULT CALLBACK routedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<Window*>(create->lpCreateParams);
        self->*Hwnd = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const LRESULT result = (self->*Handle)(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->*Hwnd = nullptr;
    }
    return result;
}

}  // namespace korvane
