#include "win/ApprovalQuestionWindow.h"

#include "core/ApprovalQuestion.h"
#include "platform/win32/WideText.h"
#include "win/ApprovalTexts.h"
#include "win/ControlIds.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;
constexpr int kWidth = 520;
constexpr int kHeight = 170;
constexpr int kMargin = 10;
constexpr int kLineHeight = 20;
constexpr int kButtonWidth = 115;
constexpr int kButtonHeight = 28;

}  // namespace

ApprovalQuestionWindow::ApprovalQuestionWindow(HINSTANCE instance, const Translator& texts,
                                               const std::string& clientKey,
                                               const std::string& address, Calls calls)
    : mInstance(instance), mDpi(GetDpiForSystem()), mCalls(std::move(calls)) {
    mFont = std::make_unique<UiFont>(scaled(kFontHeight));
    auto text = [&texts](const char* source) { return texts.text(approvaltext::kContext, source); };
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &ApprovalQuestionWindow::windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = winid::kApprovalQuestionClass;
    RegisterClassExW(&windowClass);

    // Above the taskbar's corner, where a notification shows, clear of the field being scanned.
    RECT frame{0, 0, scaled(kWidth), scaled(kHeight)};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_APPWINDOW;
    AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, mDpi);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateWindowExW(exStyle, winid::kApprovalQuestionClass,
                    win32::widen(text(approvaltext::kTitle)).c_str(), style,
                    work.right - width - scaled(kMargin), work.bottom - height - scaled(kMargin),
                    width, height, nullptr, nullptr, instance, this);

    const ApprovalQuestion lines = approvalQuestion(
        text(approvaltext::kKeyCaption), text(approvaltext::kAddressCaption), clientKey, address);
    addControl(L"STATIC", text(approvaltext::kQuestion), SS_LEFT, winid::kQuestionText);
    // The key and address come from the network: no prefix character of theirs takes effect.
    addControl(L"STATIC", lines.keyLine, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS,
               winid::kQuestionKey);
    addControl(L"STATIC", lines.addressLine, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS,
               winid::kQuestionAddress);
    addControl(L"BUTTON", text(approvaltext::kShowCode), BS_PUSHBUTTON, winid::kShowApprovalCode);
    addControl(L"BUTTON", text(approvaltext::kAlways), BS_PUSHBUTTON, winid::kApproveAlways);
    addControl(L"BUTTON", text(approvaltext::kThisRun), BS_PUSHBUTTON, winid::kApproveThisRun);
    addControl(L"BUTTON", text(approvaltext::kRefuse), BS_PUSHBUTTON, winid::kApproveRefuse);
    layout();
    ShowWindow(mWindow, SW_SHOWNOACTIVATE);
}

ApprovalQuestionWindow::~ApprovalQuestionWindow() {
    if (mWindow != nullptr) {
        DestroyWindow(mWindow);
    }
}

HWND ApprovalQuestionWindow::addControl(const wchar_t* className, const std::string& text,
                                        DWORD style, int id) {
    HWND control = CreateWindowExW(
        0, className, win32::widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
        mWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), mInstance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(mFont->handle()), FALSE);
    return control;
}

void ApprovalQuestionWindow::layout() {
    RECT client{};
    GetClientRect(mWindow, &client);
    const int margin = scaled(kMargin);
    const int line = scaled(kLineHeight);
    const int width = client.right - 2 * margin;
    MoveWindow(GetDlgItem(mWindow, winid::kQuestionText), margin, margin, width, 2 * line, TRUE);
    MoveWindow(GetDlgItem(mWindow, winid::kQuestionKey), margin, margin + 2 * line, width, line,
               TRUE);
    MoveWindow(GetDlgItem(mWindow, winid::kQuestionAddress), margin, margin + 3 * line, width, line,
               TRUE);
    const int buttonWidth = scaled(kButtonWidth);
    const int buttonHeight = scaled(kButtonHeight);
    int x = client.right - 4 * buttonWidth - 4 * margin;
    for (int id : {winid::kShowApprovalCode, winid::kApproveAlways, winid::kApproveThisRun,
                   winid::kApproveRefuse}) {
        MoveWindow(GetDlgItem(mWindow, id), x, client.bottom - margin - buttonHeight, buttonWidth,
                   buttonHeight, TRUE);
        x += buttonWidth + margin;
    }
}

void ApprovalQuestionWindow::answer(ApprovalAnswer answer) {
    if (mCalls.answered) {
        auto answered = std::move(mCalls.answered);
        mCalls.answered = nullptr;
        answered(answer);
    }
}

LRESULT CALLBACK ApprovalQuestionWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<ApprovalQuestionWindow*>(create->lpCreateParams);
        self->mWindow = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self =
        reinterpret_cast<ApprovalQuestionWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->mWindow = nullptr;
        // Closed without a button, by the user or with this object.
        self->answer(ApprovalAnswer::Dismissed);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT ApprovalQuestionWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEACTIVATE:
            // A click on a button answers without taking the focus from the scanned field.
            return MA_NOACTIVATE;
        case WM_COMMAND: {
            if (HIWORD(wParam) != BN_CLICKED) {
                return 0;
            }
            const int id = LOWORD(wParam);
            if (id == winid::kShowApprovalCode) {
                mCalls.showCode();
                return 0;
            }
            if (id == winid::kApproveAlways) {
                answer(ApprovalAnswer::Always);
            } else if (id == winid::kApproveThisRun) {
                answer(ApprovalAnswer::ThisRun);
            } else if (id == winid::kApproveRefuse) {
                answer(ApprovalAnswer::Refuse);
            } else {
                return 0;
            }
            DestroyWindow(mWindow);
            return 0;
        }
        default:
            return DefWindowProcW(mWindow, message, wParam, lParam);
    }
}

}  // namespace korvane
