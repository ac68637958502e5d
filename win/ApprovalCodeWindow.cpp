#include "win/ApprovalCodeWindow.h"

#include <chrono>

#include "core/Code128.h"
#include "core/QrMatrix.h"
#include "platform/win32/WideText.h"
#include "win/ApprovalTexts.h"
#include "win/ControlIds.h"
#include "win/RoutedWindowProc.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;
constexpr int kCodeFontHeight = 32;
constexpr int kWidth = 420;
constexpr int kMargin = 10;
constexpr int kHowHeight = 40;
// Large enough for a phone held at arm's length from the screen.
constexpr int kQrSide = 240;
constexpr int kBarsHeight = 90;
constexpr int kCodeHeight = 44;
constexpr int kLineHeight = 22;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 28;
constexpr int kHeight = kMargin + kHowHeight + kMargin + kQrSide + kMargin + kBarsHeight + kMargin +
                        kCodeHeight + kLineHeight + kMargin + kButtonHeight + kMargin;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 250;

}  // namespace

ApprovalCodeWindow::ApprovalCodeWindow(HINSTANCE instance, const Translator& texts,
                                       ApprovalCode& code, std::function<void()> used)
    : mInstance(instance),
      mTexts(texts),
      mCode(code),
      mUsed(std::move(used)),
      mDpi(GetDpiForSystem()),
      mFont(std::make_unique<UiFont>(scaled(kFontHeight))),
      mCodeFont(std::make_unique<UiFont>(scaled(kCodeFontHeight))) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &routedWindowProc<ApprovalCodeWindow, &ApprovalCodeWindow::mWindow,
                                                &ApprovalCodeWindow::handle>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = winid::kApprovalCodeClass;
    RegisterClassExW(&windowClass);

    RECT frame{0, 0, scaled(kWidth), scaled(kHeight)};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_APPWINDOW;
    AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, mDpi);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateWindowExW(exStyle, winid::kApprovalCodeClass,
                    win32::widen(text(approvaltext::kCodeTitle)).c_str(), style,
                    work.left + (work.right - work.left - width) / 2,
                    work.top + (work.bottom - work.top - height) / 2, width, height, nullptr,
                    nullptr, instance, this);
    addControl(L"STATIC", text(approvaltext::kCodeHow), SS_LEFT, winid::kCodeHow, mFont->handle());
    mQr.create(mWindow, winid::kCodeQr, instance);
    mBars.create(mWindow, winid::kCodeBars, instance);
    addControl(L"STATIC", "", SS_CENTER | SS_NOPREFIX, winid::kCodeText, mCodeFont->handle());
    addControl(L"STATIC", "", SS_CENTER, winid::kCodeTimeLeft, mFont->handle());
    addControl(L"BUTTON", text(approvaltext::kCodeClose), BS_PUSHBUTTON, winid::kCodeClose,
               mFont->handle());
    layout();
    showCode();
    ShowWindow(mWindow, SW_SHOWNOACTIVATE);
}

ApprovalCodeWindow::~ApprovalCodeWindow() {
    if (mWindow != nullptr) {
        DestroyWindow(mWindow);
    }
}

std::string ApprovalCodeWindow::text(const char* source) const {
    return mTexts.text(approvaltext::kCodeContext, source);
}

HWND ApprovalCodeWindow::addControl(const wchar_t* className, const std::string& text, DWORD style,
                                    int id, HFONT font) {
    HWND control = CreateWindowExW(
        0, className, win32::widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
        mWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), mInstance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void ApprovalCodeWindow::layout() {
    RECT client{};
    GetClientRect(mWindow, &client);
    const int margin = scaled(kMargin);
    const int width = client.right - 2 * margin;
    int y = margin;
    auto place = [&](HWND control, int height) {
        MoveWindow(control, margin, y, width, scaled(height), TRUE);
        y += scaled(height);
    };
    place(GetDlgItem(mWindow, winid::kCodeHow), kHowHeight);
    y += margin;
    place(mQr.handle(), kQrSide);
    y += margin;
    place(mBars.handle(), kBarsHeight);
    y += margin;
    place(GetDlgItem(mWindow, winid::kCodeText), kCodeHeight);
    place(GetDlgItem(mWindow, winid::kCodeTimeLeft), kLineHeight);
    MoveWindow(GetDlgItem(mWindow, winid::kCodeClose), client.right - margin - scaled(kButtonWidth),
               client.bottom - margin - scaled(kButtonHeight), scaled(kButtonWidth),
               scaled(kButtonHeight), TRUE);
}

void ApprovalCodeWindow::showCode() {
    const std::optional<std::string> issued = mCode.issue();
    if (!issued) {
        SetDlgItemTextW(mWindow, winid::kCodeText,
                        win32::widen(text(approvaltext::kCodeFailed)).c_str());
        return;
    }
    mCodeText = *issued;
    mQr.show(encodeQr(mCodeText));
    mBars.show(encodeCode128(mCodeText).value_or(std::vector<bool>{}));
    SetDlgItemTextW(mWindow, winid::kCodeText, win32::widen(mCodeText).c_str());
    SetTimer(mWindow, kRefreshTimer, kRefreshMs, nullptr);
    refresh();
}

void ApprovalCodeWindow::refresh() {
    const ApprovalCode::Status status = mCode.status(mCodeText);
    if (status.state == ApprovalCode::State::Valid) {
        const auto seconds = std::chrono::ceil<std::chrono::seconds>(status.left).count();
        SetDlgItemTextW(
            mWindow, winid::kCodeTimeLeft,
            win32::widen(withArgument(text(approvaltext::kCodeTimeLeft), std::to_string(seconds)))
                .c_str());
        return;
    }
    KillTimer(mWindow, kRefreshTimer);
    if (status.state == ApprovalCode::State::Used && mUsed) {
        mUsed();
    }
    DestroyWindow(mWindow);
}

LRESULT ApprovalCodeWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_TIMER:
            if (wParam == kRefreshTimer) {
                refresh();
            }
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == winid::kCodeClose && HIWORD(wParam) == BN_CLICKED) {
                DestroyWindow(mWindow);
            }
            return 0;
        case WM_NCDESTROY:
            // A code nobody can see any more approves nobody.
            if (!mCodeText.empty()) {
                mCode.withdraw(mCodeText);
            }
            return DefWindowProcW(mWindow, message, wParam, lParam);
        default:
            return DefWindowProcW(mWindow, message, wParam, lParam);
    }
}

}  // namespace korvane
