#include "win/SplashScreen.h"
#include "win/RoutedWindowProc.h"

#include "core/Version.h"
#include "platform/win32/WideText.h"
#include "win/ControlIds.h"

namespace korvane {
namespace {

// The splash's sizes are design sizes at 120 dots per inch.
constexpr int kDesignDpi = 120;
constexpr int kWidth = 409;
constexpr int kHeight = 537;
constexpr int kTitleHeight = 85;
constexpr int kLogoSize = 200;
constexpr int kTitleFont = 18;
constexpr UINT_PTR kTimer = 1;
constexpr int kIconResource = 1;

}  // namespace

SplashScreen::SplashScreen(HINSTANCE instance, std::function<void()> closed)
    : mDpi(GetDpiForSystem()), mClosed(std::move(closed)) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc =
        &routedWindowProc<SplashScreen, &SplashScreen::mWindow, &SplashScreen::handle>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_APPSTARTING);
    windowClass.lpszClassName = winid::kSplashClass;
    RegisterClassExW(&windowClass);
    mFont = std::make_unique<UiFont>(scaled(kTitleFont));
    mLogo = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                          scaled(kLogoSize), scaled(kLogoSize), LR_DEFAULTCOLOR));
    const int width = scaled(kWidth) + 2;
    const int height = scaled(kHeight) + 2;
    // Above other windows while it shows: a window opened meanwhile would hide it, and with it the
    // only sign that the program is starting.
    CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, winid::kSplashClass,
                    win32::widen(versionTitle()).c_str(), WS_POPUP | WS_BORDER,
                    (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                    (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                    instance, this);
    SetTimer(mWindow, kTimer, kShownMs, nullptr);
    ShowWindow(mWindow, SW_SHOWNORMAL);
    UpdateWindow(mWindow);
}

SplashScreen::~SplashScreen() {
    if (mWindow != nullptr) {
        DestroyWindow(mWindow);
    }
    if (mLogo != nullptr) {
        DestroyIcon(mLogo);
    }
}

int SplashScreen::scaled(int pixels) const {
    return MulDiv(pixels, static_cast<int>(mDpi), kDesignDpi);
}

LRESULT SplashScreen::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paintStruct;
            HDC dc = BeginPaint(mWindow, &paintStruct);
            paint(dc);
            EndPaint(mWindow, &paintStruct);
            return 0;
        }
        case WM_TIMER: {
            KillTimer(mWindow, kTimer);
            // What follows shows first, so that no moment is left without a window.
            const std::function<void()> closed = std::move(mClosed);
            closed();
            DestroyWindow(mWindow);
            return 0;
        }
        case WM_CLOSE:
            return 0;
        default:
            return DefWindowProcW(mWindow, message, wParam, lParam);
    }
}

void SplashScreen::paint(HDC dc) const {
    RECT client{};
    GetClientRect(mWindow, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT panel = client;
    InflateRect(&panel, -1, -1);
    DrawEdge(dc, &panel, BDR_SUNKENOUTER, BF_RECT);
    const int logo = scaled(kLogoSize);
    const int titleHeight = scaled(kTitleHeight);
    if (mLogo != nullptr) {
        DrawIconEx(dc, (client.right - logo) / 2, (client.bottom - titleHeight - logo) / 2, mLogo,
                   logo, logo, 0, nullptr, DI_NORMAL);
    }
    RECT title{client.left, client.bottom - titleHeight, client.right, client.bottom};
    HGDIOBJ previous = SelectObject(dc, mFont->handle());
    SetBkMode(dc, TRANSPARENT);
    const std::wstring text = win32::widen(versionTitle());
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &title,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, previous);
}

}  // namespace korvane
