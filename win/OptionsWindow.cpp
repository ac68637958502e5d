#include "win/OptionsWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/win32/WideText.h"
#include "win/ApprovalTexts.h"
#include "win/ControlIds.h"
#include "win/RoutedWindowProc.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;
constexpr int kWidth = 520;
constexpr int kHeight = 360;
constexpr int kMargin = 10;
constexpr int kRow = 30;
constexpr int kLabelWidth = 200;
constexpr int kFieldLeft = 230;
constexpr int kFieldWidth = 260;
constexpr int kNumberWidth = 90;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 28;

}  // namespace

OptionsWindow::OptionsWindow(HINSTANCE instance, HWND owner, const Translator& texts,
                             const OptionsForm& shown,
                             std::function<void(const OptionsForm&)> accepted)
    : mInstance(instance),
      mOwner(owner),
      mTexts(texts),
      mAccepted(std::move(accepted)),
      mStartsWithSession(shown.startsWithSession),
      mDpi(GetDpiForWindow(owner)),
      mFont(std::make_unique<UiFont>(scaled(kFontHeight))) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc =
        &routedWindowProc<OptionsWindow, &OptionsWindow::mWindow, &OptionsWindow::handle>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = winid::kOptionsClass;
    RegisterClassExW(&windowClass);
    RECT frame{0, 0, scaled(kWidth), scaled(kHeight)};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    AdjustWindowRectExForDpi(&frame, style, FALSE, WS_EX_DLGMODALFRAME, mDpi);
    RECT ownerFrame{};
    GetWindowRect(owner, &ownerFrame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateWindowExW(WS_EX_DLGMODALFRAME, winid::kOptionsClass,
                    win32::widen(text(approvaltext::kOptionsTitle)).c_str(), style,
                    ownerFrame.left + (ownerFrame.right - ownerFrame.left - width) / 2,
                    ownerFrame.top + (ownerFrame.bottom - ownerFrame.top - height) / 2, width,
                    height, owner, nullptr, instance, this);
    createControls(shown);
    showInputMethod();
    EnableWindow(owner, FALSE);
    ShowWindow(mWindow, SW_SHOWNORMAL);
}

OptionsWindow::~OptionsWindow() {
    if (mWindow != nullptr) {
        DestroyWindow(mWindow);
    }
}

std::string OptionsWindow::text(const char* source) const {
    return mTexts.text(approvaltext::kOptionsContext, source);
}

HWND OptionsWindow::addControl(const wchar_t* className, const std::string& text, DWORD style,
                               int id, RECT place) {
    HWND control = CreateWindowExW(
        0, className, win32::widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, scaled(place.left),
        scaled(place.top), scaled(place.right), scaled(place.bottom), mWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), mInstance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(mFont->handle()), FALSE);
    return control;
}

void OptionsWindow::addNumber(int id, int spinId, int value, int maximum, const char* unit,
                              int top) {
    HWND edit =
        addControl(WC_EDITW, std::to_string(value), ES_NUMBER | ES_RIGHT | WS_BORDER | WS_TABSTOP,
                   id, {kFieldLeft, top, kNumberWidth, 24});
    HWND spin = addControl(UPDOWN_CLASSW, "",
                           UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                           spinId, {0, 0, 0, 0});
    SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
    SendMessageW(spin, UDM_SETRANGE32, 0, maximum);
    SendMessageW(spin, UDM_SETPOS32, 0, value);
    addControl(WC_STATICW, text(unit), SS_LEFT, -1,
               {kFieldLeft + kNumberWidth + 4, top + 3, 100, 22});
}

void OptionsWindow::createControls(const OptionsForm& shown) {
    auto label = [this](const char* source, int top) {
        addControl(WC_STATICW, text(source), SS_LEFT, -1, {2 * kMargin, top + 3, kLabelWidth, 22});
    };
    int top = kMargin;
    addControl(WC_BUTTONW, text(approvaltext::kOptionsInput), BS_GROUPBOX, -1,
               {kMargin, top, kWidth - 2 * kMargin, 4 * kRow + 28});
    top += 22;
    label(approvaltext::kOptionsMethod, top);
    HWND method = addControl(WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL,
                             winid::kInputMethod, {kFieldLeft, top, kFieldWidth, 120});
    for (const char* entry : {approvaltext::kOptionsPaste, approvaltext::kOptionsTypeKeys}) {
        SendMessageW(method, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(win32::widen(text(entry)).c_str()));
    }
    SendMessageW(method, CB_SETCURSEL, static_cast<WPARAM>(shown.inputMethod), 0);
    top += kRow;
    label(approvaltext::kOptionsKeyDelay, top);
    addNumber(winid::kKeyDelay, winid::kKeyDelaySpin, shown.keyDelayMs, OptionsForm::kMaxKeyDelayMs,
              approvaltext::kOptionsMs, top);
    top += kRow;
    addControl(WC_BUTTONW, text(approvaltext::kOptionsRestore), BS_AUTOCHECKBOX | WS_TABSTOP,
               winid::kRestoreClipboard, {2 * kMargin, top, kWidth - 4 * kMargin, 24});
    CheckDlgButton(mWindow, winid::kRestoreClipboard,
                   shown.restoreClipboard ? BST_CHECKED : BST_UNCHECKED);
    top += kRow;
    label(approvaltext::kOptionsDuplicate, top);
    addNumber(winid::kDuplicateSeconds, winid::kDuplicateSpin, shown.duplicateSeconds,
              OptionsForm::kMaxDuplicateSeconds, approvaltext::kOptionsSeconds, top);
    top += kRow + 16;
    addControl(WC_BUTTONW, text(approvaltext::kOptionsHistory), BS_GROUPBOX, -1,
               {kMargin, top, kWidth - 2 * kMargin, kRow + 28});
    addControl(WC_BUTTONW, text(approvaltext::kOptionsHistoryCsv), BS_AUTOCHECKBOX | WS_TABSTOP,
               winid::kScanHistory, {2 * kMargin, top + 22, kWidth - 4 * kMargin, 24});
    CheckDlgButton(mWindow, winid::kScanHistory, shown.scanHistory ? BST_CHECKED : BST_UNCHECKED);
    top += kRow + 36;
    addControl(WC_BUTTONW, text(approvaltext::kOptionsProgram), BS_GROUPBOX, -1,
               {kMargin, top, kWidth - 2 * kMargin, kRow + 28});
    label(approvaltext::kOptionsLanguage, top + 22);
    HWND language = addControl(WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL,
                               winid::kLanguage, {kFieldLeft, top + 22, kFieldWidth, 120});
    for (const std::string& entry : {text(approvaltext::kOptionsDesktopLanguage),
                                     std::string("日本語"), std::string("English")}) {
        SendMessageW(language, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(win32::widen(entry).c_str()));
    }
    SendMessageW(language, CB_SETCURSEL, static_cast<WPARAM>(shown.language), 0);
    const int buttonTop = kHeight - kMargin - kButtonHeight;
    addControl(WC_BUTTONW, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK,
               {kWidth - 2 * kButtonWidth - 2 * kMargin, buttonTop, kButtonWidth, kButtonHeight});
    addControl(WC_BUTTONW, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL,
               {kWidth - kButtonWidth - kMargin, buttonTop, kButtonWidth, kButtonHeight});
}

void OptionsWindow::showInputMethod() {
    const OptionsForm shown = form();
    EnableWindow(GetDlgItem(mWindow, winid::kKeyDelay), shown.keyDelayEnabled());
    EnableWindow(GetDlgItem(mWindow, winid::kKeyDelaySpin), shown.keyDelayEnabled());
    EnableWindow(GetDlgItem(mWindow, winid::kRestoreClipboard), shown.restoreClipboardEnabled());
}

OptionsForm OptionsWindow::form() const {
    auto number = [this](int id, int maximum) {
        return std::clamp(static_cast<int>(GetDlgItemInt(mWindow, id, nullptr, FALSE)), 0, maximum);
    };
    OptionsForm shown;
    shown.inputMethod =
        static_cast<int>(SendDlgItemMessageW(mWindow, winid::kInputMethod, CB_GETCURSEL, 0, 0));
    shown.keyDelayMs = number(winid::kKeyDelay, OptionsForm::kMaxKeyDelayMs);
    shown.restoreClipboard = IsDlgButtonChecked(mWindow, winid::kRestoreClipboard) == BST_CHECKED;
    shown.duplicateSeconds = number(winid::kDuplicateSeconds, OptionsForm::kMaxDuplicateSeconds);
    shown.scanHistory = IsDlgButtonChecked(mWindow, winid::kScanHistory) == BST_CHECKED;
    shown.language =
        static_cast<int>(SendDlgItemMessageW(mWindow, winid::kLanguage, CB_GETCURSEL, 0, 0));
    shown.startsWithSession = mStartsWithSession;
    return shown;
}

LRESULT OptionsWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == winid::kInputMethod && HIWORD(wParam) == CBN_SELCHANGE) {
                showInputMethod();
            } else if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
                mAccepted(form());
                DestroyWindow(mWindow);
            } else if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED) {
                DestroyWindow(mWindow);
            }
            return 0;
        case WM_DESTROY:
            // The owner takes the activation back before this window goes, as a dialog's does.
            EnableWindow(mOwner, TRUE);
            return 0;
        default:
            return DefWindowProcW(mWindow, message, wParam, lParam);
    }
}

}  // namespace korvane
