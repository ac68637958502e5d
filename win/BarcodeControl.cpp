#include "win/BarcodeControl.h"

#include <algorithm>

namespace korvane {
namespace {

constexpr wchar_t kClassName[] = L"KorvaneBarcode";

}  // namespace

void BarcodeControl::create(HWND parent, int id, HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &BarcodeControl::windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    mWindow = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
}

void BarcodeControl::show(std::vector<bool> modules) {
    mModules = std::move(modules);
    InvalidateRect(mWindow, nullptr, TRUE);
}

LRESULT CALLBACK BarcodeControl::windowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto* self =
        reinterpret_cast<const BarcodeControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_PAINT) {
        PAINTSTRUCT paintStruct;
        HDC dc = BeginPaint(window, &paintStruct);
        RECT client{};
        GetClientRect(window, &client);
        self->paint(dc, client);
        EndPaint(window, &paintStruct);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void BarcodeControl::paint(HDC dc, const RECT& client) const {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (mModules.empty()) {
        return;
    }
    // Whole pixels per module keep the ratio of bar and space widths a reader measures.
    const int count = static_cast<int>(mModules.size());
    const int width = static_cast<int>(client.right - client.left);
    const int module = std::max(1, width / count);
    const int left = static_cast<int>(client.left) + (width - module * count) / 2;
    const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (int i = 0; i < count; ++i) {
        if (mModules[static_cast<std::size_t>(i)]) {
            const RECT bar{left + i * module, client.top, left + (i + 1) * module, client.bottom};
            FillRect(dc, &bar, black);
        }
    }
}

}  // namespace korvane
