#include "win/QrLargeWindow.h"

#include "platform/win32/WideText.h"
#include "win/ControlIds.h"
#include "win/RoutedWindowProc.h"

namespace korvane {
namespace {

constexpr int kSide = 480;
constexpr int kCaptionFont = 24;
constexpr int kCaptionHeight = 40;
constexpr int kMargin = 10;

}  // namespace

QrLargeWindow::QrLargeWindow(HINSTANCE instance, HWND owner, const std::string& title,
                             QrMatrix matrix, const std::string& caption)
    : mDpi(GetDpiForWindow(owner)), mFont(std::make_unique<UiFont>(scaled(kCaptionFont))) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc =
        &routedWindowProc<QrLargeWindow, &QrLargeWindow::mWindow, &QrLargeWindow::handle>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = winid::kQrLargeClass;
    RegisterClassExW(&windowClass);
    RECT frame{0, 0, scaled(kSide + 2 * kMargin), scaled(kSide + kCaptionHeight + 3 * kMargin)};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectExForDpi(&frame, style, FALSE, 0, mDpi);
    CreateWindowExW(0, winid::kQrLargeClass, win32::widen(title).c_str(), style, CW_USEDEFAULT,
                    CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner,
                    nullptr, instance, this);
    mQr.create(mWindow, winid::kLargeQr, instance);
    mQr.show(std::move(matrix));
    mCaption = CreateWindowExW(0, L"STATIC", win32::widen(caption).c_str(),
                               WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 0, 0, 0, mWindow,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(winid::kLargeCaption)),
                               instance, nullptr);
    SendMessageW(mCaption, WM_SETFONT, reinterpret_cast<WPARAM>(mFont->handle()), FALSE);
    layout();
    ShowWindow(mWindow, SW_SHOWNORMAL);
}

QrLargeWindow::~QrLargeWindow() {
    if (mWindow != nullptr) {
        DestroyWindow(mWindow);
    }
}

void QrLargeWindow::layout() {
    RECT client{};
    GetClientRect(mWindow, &client);
    const int margin = scaled(kMargin);
    const int captionHeight = scaled(kCaptionHeight);
    MoveWindow(mQr.handle(), margin, margin, client.right - 2 * margin,
               client.bottom - 3 * margin - captionHeight, TRUE);
    MoveWindow(mCaption, margin, client.bottom - margin - captionHeight, client.right - 2 * margin,
               captionHeight, TRUE);
}

LRESULT QrLargeWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == winid::kLargeQr &&
        HIWORD(wParam) == STN_CLICKED) {
        DestroyWindow(mWindow);
        return 0;
    }
    if (message == WM_SIZE) {
        layout();
        return 0;
    }
    return DefWindowProcW(mWindow, message, wParam, lParam);
}

}  // namespace korvane
