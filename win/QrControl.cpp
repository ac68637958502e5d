#include "win/QrControl.h"

#include <commctrl.h>

#include <algorithm>

namespace korvane {
namespace {

constexpr wchar_t kClassName[] = L"KorvaneQrCode";

}  // namespace

void QrControl::create(HWND parent, int id, HINSTANCE instance, const std::wstring& tip) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &QrControl::windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_HAND);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    mWindow = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (tip.empty()) {
        return;
    }
    HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent,
                                nullptr, instance, nullptr);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(mWindow);
    tool.lpszText = const_cast<wchar_t*>(tip.c_str());
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void QrControl::show(QrMatrix matrix) {
    mMatrix = std::move(matrix);
    InvalidateRect(mWindow, nullptr, TRUE);
}

LRESULT CALLBACK QrControl::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    const auto* self = reinterpret_cast<const QrControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
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
    if (message == WM_LBUTTONUP) {
        RECT client{};
        GetClientRect(window, &client);
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (PtInRect(&client, at)) {
            SendMessageW(GetParent(window), WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(window), STN_CLICKED),
                         reinterpret_cast<LPARAM>(window));
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void QrControl::paint(HDC dc, const RECT& client) const {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (mMatrix.size < 1) {
        return;
    }
    // Whole pixels per module keep every module a sharp block of one size.
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int module = std::max(1, std::min(width, height) / mMatrix.size);
    const int left = (width - module * mMatrix.size) / 2;
    const int top = (height - module * mMatrix.size) / 2;
    const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (int y = 0; y < mMatrix.size; ++y) {
        for (int x = 0; x < mMatrix.size; ++x) {
            if (mMatrix.isDark(x, y)) {
                const RECT cell{left + x * module, top + y * module, left + (x + 1) * module,
                                top + (y + 1) * module};
                FillRect(dc, &cell, black);
            }
        }
    }
}

}  // namespace korvane
