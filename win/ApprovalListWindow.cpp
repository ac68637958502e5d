#include "win/ApprovalListWindow.h"

#include <commctrl.h>

#include "core/ApprovalRow.h"
#include "platform/win32/WideText.h"
#include "win/ApprovalTexts.h"
#include "win/ControlIds.h"
#include "win/RoutedWindowProc.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;
constexpr int kWidth = 760;
constexpr int kHeight = 280;
constexpr int kMargin = 10;
constexpr int kLineHeight = 20;
constexpr int kButtonWidth = 130;
constexpr int kButtonHeight = 28;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 1000;
constexpr int kColumnWidths[] = {180, 130, 90, 90, 60, 90};

}  // namespace

ApprovalListWindow::ApprovalListWindow(HINSTANCE instance, const Translator& texts,
                                       ApprovalDesk& desk, std::function<void()> showCode)
    : mInstance(instance),
      mTexts(texts),
      mDesk(desk),
      mShowCode(std::move(showCode)),
      mDpi(GetDpiForSystem()),
      mFont(std::make_unique<UiFont>(scaled(kFontHeight))) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &routedWindowProc<ApprovalListWindow, &ApprovalListWindow::mWindow,
                                                &ApprovalListWindow::handle>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = winid::kApprovalListClass;
    RegisterClassExW(&windowClass);

    // Above the taskbar's corner, where a notification shows, clear of the field being scanned.
    RECT frame{0, 0, scaled(kWidth), scaled(kHeight)};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    const DWORD exStyle = WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_APPWINDOW;
    AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, mDpi);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateWindowExW(exStyle, winid::kApprovalListClass,
                    win32::widen(text(approvaltext::kTitle)).c_str(), style,
                    work.right - width - scaled(kMargin), work.bottom - height - scaled(kMargin),
                    width, height, nullptr, nullptr, instance, this);

    addControl(WC_STATICW, text(approvaltext::kQuestion), SS_LEFT, winid::kQuestionText);
    addControl(WC_STATICW, "", SS_LEFT | SS_NOPREFIX, winid::kWaitingWarning);
    HWND list =
        addControl(WC_LISTVIEWW, "", LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER,
                   winid::kWaitingList);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const char* headers[] = {approvaltext::kKey,          approvaltext::kAddress,
                             approvaltext::kFirstRequest, approvaltext::kLastRequest,
                             approvaltext::kRequests,     approvaltext::kKeyChanges};
    for (int i = 0; i < 6; ++i) {
        std::wstring header = win32::widen(text(headers[i]));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = header.data();
        column.cx = scaled(kColumnWidths[i]);
        ListView_InsertColumn(list, i, &column);
    }
    addControl(WC_BUTTONW, text(approvaltext::kShowCode), BS_PUSHBUTTON, winid::kShowApprovalCode);
    addControl(WC_BUTTONW, text(approvaltext::kAlways), BS_PUSHBUTTON, winid::kApproveAlways);
    addControl(WC_BUTTONW, text(approvaltext::kThisRun), BS_PUSHBUTTON, winid::kApproveThisRun);
    addControl(WC_BUTTONW, text(approvaltext::kRefuse), BS_PUSHBUTTON, winid::kApproveRefuse);
    layout();
}

ApprovalListWindow::~ApprovalListWindow() {
    if (mWindow != nullptr) {
        DestroyWindow(mWindow);
    }
}

std::string ApprovalListWindow::text(const char* source) const {
    return mTexts.text(approvaltext::kContext, source);
}

HWND ApprovalListWindow::addControl(const wchar_t* className, const std::string& text, DWORD style,
                                    int id) {
    HWND control = CreateWindowExW(
        0, className, win32::widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
        mWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), mInstance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(mFont->handle()), FALSE);
    return control;
}

void ApprovalListWindow::layout() {
    RECT client{};
    GetClientRect(mWindow, &client);
    const int margin = scaled(kMargin);
    const int line = scaled(kLineHeight);
    const int width = client.right - 2 * margin;
    const int buttonWidth = scaled(kButtonWidth);
    const int buttonHeight = scaled(kButtonHeight);
    const int buttonTop = client.bottom - margin - buttonHeight;
    MoveWindow(GetDlgItem(mWindow, winid::kQuestionText), margin, margin, width, 2 * line, TRUE);
    MoveWindow(GetDlgItem(mWindow, winid::kWaitingWarning), margin, margin + 2 * line, width,
               2 * line, TRUE);
    MoveWindow(GetDlgItem(mWindow, winid::kWaitingList), margin, margin + 4 * line, width,
               buttonTop - 2 * margin - 4 * line, TRUE);
    MoveWindow(GetDlgItem(mWindow, winid::kShowApprovalCode), margin, buttonTop, buttonWidth,
               buttonHeight, TRUE);
    int x = client.right - 3 * (buttonWidth + margin);
    for (int id : {winid::kApproveAlways, winid::kApproveThisRun, winid::kApproveRefuse}) {
        MoveWindow(GetDlgItem(mWindow, id), x, buttonTop, buttonWidth, buttonHeight, TRUE);
        x += buttonWidth + margin;
    }
}

void ApprovalListWindow::showPhones() {
    refresh();
    if (!mRows.empty() && !IsWindowVisible(mWindow)) {
        ShowWindow(mWindow, SW_SHOWNOACTIVATE);
    }
}

void ApprovalListWindow::refresh() {
    const WaitingPhones waiting = mDesk.waitingPhones();
    HWND list = GetDlgItem(mWindow, winid::kWaitingList);
    const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    const std::string selectedAddress =
        selected >= 0 && static_cast<std::size_t>(selected) < mRows.size()
            ? mRows[static_cast<std::size_t>(selected)].second
            : std::string();
    ListView_DeleteAllItems(list);
    mRows.clear();
    int select = 0;
    for (const UnknownPhone& phone : waiting.phones) {
        const ApprovalRow texts = approvalRow(phone);
        const int row = static_cast<int>(mRows.size());
        std::wstring cells[] = {win32::widen(texts.key),          win32::widen(texts.address),
                                win32::widen(texts.firstRequest), win32::widen(texts.lastRequest),
                                win32::widen(texts.requests),     win32::widen(texts.keyChanges)};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = cells[0].data();
        ListView_InsertItem(list, &item);
        for (int column = 1; column < 6; ++column) {
            ListView_SetItemText(list, row, column, cells[column].data());
        }
        if (phone.address == selectedAddress) {
            select = row;
        }
        mRows.emplace_back(phone.clientKey, phone.address);
    }
    if (!mRows.empty()) {
        ListView_SetItemState(list, select, LVIS_SELECTED, LVIS_SELECTED);
    }
    std::string warnings;
    if (waiting.manyAtOnce) {
        warnings = text(approvaltext::kManyAtOnce);
    }
    if (waiting.turnedAway > 0) {
        warnings +=
            (warnings.empty() ? "" : "\r\n") +
            withArgument(text(approvaltext::kTurnedAway), std::to_string(waiting.turnedAway));
    }
    SetDlgItemTextW(mWindow, winid::kWaitingWarning, win32::widen(warnings).c_str());
    if (mRows.empty()) {
        ShowWindow(mWindow, SW_HIDE);
        KillTimer(mWindow, kRefreshTimer);
    } else {
        SetTimer(mWindow, kRefreshTimer, kRefreshMs, nullptr);
    }
}

void ApprovalListWindow::answer(ApprovalAnswer answer) {
    const int row =
        ListView_GetNextItem(GetDlgItem(mWindow, winid::kWaitingList), -1, LVNI_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= mRows.size()) {
        return;
    }
    // The key the row shows now: the one the user saw.
    const auto& [key, address] = mRows[static_cast<std::size_t>(row)];
    mDesk.answer(key, address, answer);
    refresh();
}

LRESULT ApprovalListWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEACTIVATE:
            // A click answers without taking the focus from the scanned field.
            return MA_NOACTIVATE;
        case WM_CLOSE:
            // The phones stay listed (and refused) until answered: closing only hides the list.
            ShowWindow(mWindow, SW_HIDE);
            return 0;
        case WM_TIMER:
            if (wParam == kRefreshTimer) {
                refresh();
            }
            return 0;
        case WM_SIZE:
            layout();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) {
                return 0;
            }
            switch (LOWORD(wParam)) {
                case winid::kShowApprovalCode:
                    mShowCode();
                    return 0;
                case winid::kApproveAlways:
                    answer(ApprovalAnswer::Always);
                    return 0;
                case winid::kApproveThisRun:
                    answer(ApprovalAnswer::ThisRun);
                    return 0;
                case winid::kApproveRefuse:
                    answer(ApprovalAnswer::RefuseAddress);
                    return 0;
                default:
                    return 0;
            }
        default:
            return DefWindowProcW(mWindow, message, wParam, lParam);
    }
}

}  // namespace korvane
