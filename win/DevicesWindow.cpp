#include "win/DevicesWindow.h"

#include <commctrl.h>

#include "platform/VisibleText.h"
#include "platform/win32/WideText.h"
#include "win/ApprovalTexts.h"
#include "win/ControlIds.h"
#include "win/RoutedWindowProc.h"

namespace korvane {
namespace {

constexpr int kFontHeight = 14;
constexpr int kWidth = 560;
constexpr int kHeight = 300;
constexpr int kMargin = 10;
constexpr int kButtonWidth = 130;
constexpr int kButtonHeight = 28;
constexpr int kColumnWidths[] = {200, 150, 170};

}  // namespace

DevicesWindow::DevicesWindow(HINSTANCE instance, HWND owner, const Translator& texts,
                             ApprovalDesk& desk, std::function<void()> showCode)
    : mInstance(instance),
      mOwner(owner),
      mTexts(texts),
      mDesk(desk),
      mShowCode(std::move(showCode)),
      mDpi(GetDpiForWindow(owner)),
      mFont(std::make_unique<UiFont>(scaled(kFontHeight))) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc =
        &routedWindowProc<DevicesWindow, &DevicesWindow::mWindow, &DevicesWindow::handle>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = winid::kDevicesClass;
    RegisterClassExW(&windowClass);
    RECT frame{0, 0, scaled(kWidth), scaled(kHeight)};
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
    AdjustWindowRectExForDpi(&frame, style, FALSE, WS_EX_DLGMODALFRAME, mDpi);
    RECT ownerFrame{};
    GetWindowRect(owner, &ownerFrame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    CreateWindowExW(WS_EX_DLGMODALFRAME, winid::kDevicesClass,
                    win32::widen(text(approvaltext::kDevicesTitle)).c_str(), style,
                    ownerFrame.left + (ownerFrame.right - ownerFrame.left - width) / 2,
                    ownerFrame.top + (ownerFrame.bottom - ownerFrame.top - height) / 2, width,
                    height, owner, nullptr, instance, this);
    HWND list = addControl(WC_LISTVIEWW, "",
                           LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP,
                           winid::kDeviceList);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const char* headers[] = {approvaltext::kDevicesKey, approvaltext::kDevicesAddress,
                             approvaltext::kDevicesApprovedAt};
    for (int i = 0; i < 3; ++i) {
        std::wstring header = win32::widen(text(headers[i]));
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = header.data();
        column.cx = scaled(kColumnWidths[i]);
        ListView_InsertColumn(list, i, &column);
    }
    addControl(WC_BUTTONW, text(approvaltext::kDevicesShowCode), BS_PUSHBUTTON | WS_TABSTOP,
               winid::kDevicesShowCode);
    addControl(WC_BUTTONW, text(approvaltext::kDevicesRemove), BS_PUSHBUTTON | WS_TABSTOP,
               winid::kDevicesRemove);
    addControl(WC_BUTTONW, text(approvaltext::kDevicesClose), BS_DEFPUSHBUTTON | WS_TABSTOP,
               winid::kDevicesClose);
    layout();
    fill();
    EnableWindow(owner, FALSE);
    ShowWindow(mWindow, SW_SHOWNORMAL);
}

DevicesWindow::~DevicesWindow() {
    if (mWindow != nullptr) {
        DestroyWindow(mWindow);
    }
}

std::string DevicesWindow::text(const char* source) const {
    return mTexts.text(approvaltext::kDevicesContext, source);
}

HWND DevicesWindow::addControl(const wchar_t* className, const std::string& text, DWORD style,
                               int id) {
    HWND control = CreateWindowExW(
        0, className, win32::widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
        mWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), mInstance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(mFont->handle()), FALSE);
    return control;
}

void DevicesWindow::layout() {
    RECT client{};
    GetClientRect(mWindow, &client);
    const int margin = scaled(kMargin);
    const int buttonWidth = scaled(kButtonWidth);
    const int buttonHeight = scaled(kButtonHeight);
    const int buttonTop = client.bottom - margin - buttonHeight;
    MoveWindow(GetDlgItem(mWindow, winid::kDeviceList), margin, margin, client.right - 2 * margin,
               buttonTop - 2 * margin, TRUE);
    MoveWindow(GetDlgItem(mWindow, winid::kDevicesShowCode), margin, buttonTop, buttonWidth,
               buttonHeight, TRUE);
    MoveWindow(GetDlgItem(mWindow, winid::kDevicesRemove), 2 * margin + buttonWidth, buttonTop,
               buttonWidth, buttonHeight, TRUE);
    MoveWindow(GetDlgItem(mWindow, winid::kDevicesClose), client.right - margin - buttonWidth,
               buttonTop, buttonWidth, buttonHeight, TRUE);
}

void DevicesWindow::fill() {
    HWND list = GetDlgItem(mWindow, winid::kDeviceList);
    ListView_DeleteAllItems(list);
    mKeys.clear();
    // As the approval question showed them: the file may hold any key a phone sent.
    auto shown = [](const std::string& text) {
        return win32::widen(visibleText(text, LineBreaks::Escape));
    };
    for (const ApprovedDevice& device : mDesk.devices()) {
        const int row = static_cast<int>(mKeys.size());
        std::wstring cells[] = {shown(device.clientKey), shown(device.lastAddress),
                                shown(device.approvedAt)};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = cells[0].data();
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, row, 1, cells[1].data());
        ListView_SetItemText(list, row, 2, cells[2].data());
        mKeys.push_back(device.clientKey);
    }
    EnableWindow(GetDlgItem(mWindow, winid::kDevicesRemove), !mKeys.empty());
}

void DevicesWindow::removeSelected() {
    const int row =
        ListView_GetNextItem(GetDlgItem(mWindow, winid::kDeviceList), -1, LVNI_SELECTED);
    if (row < 0 || static_cast<std::size_t>(row) >= mKeys.size()) {
        return;
    }
    mDesk.remove(mKeys[static_cast<std::size_t>(row)]);
    fill();
}

LRESULT DevicesWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            layout();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                if (LOWORD(wParam) == winid::kDevicesShowCode) {
                    mShowCode();
                } else if (LOWORD(wParam) == winid::kDevicesRemove) {
                    removeSelected();
                } else if (LOWORD(wParam) == winid::kDevicesClose) {
                    DestroyWindow(mWindow);
                }
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
