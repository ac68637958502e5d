// The main window's controls: their classes, texts, places and sizes at the window's scale.
#include <windows.h>

#include <commctrl.h>

#include "core/Version.h"
#include "platform/win32/WideText.h"
#include "win/ControlIds.h"
#include "win/MainFrame.h"
#include "win/RoutedWindowProc.h"
#include "win/WindowTexts.h"

namespace korvane {
namespace {

// Sizes in pixels at 96 dots per inch, scaled to the window's.
constexpr int kFontHeight = 14;
constexpr int kLogRowHeight = 21;
constexpr int kTopBandHeight = 153;
constexpr int kStatusHeight = 22;
constexpr int kDetailHeight = 47;
constexpr int kButtonBarHeight = 58;
constexpr int kSettingsWidth = 336;
constexpr int kQrGroupWidth = 116;
constexpr int kLogoSize = 89;

constexpr int kIconResource = 1;

}  // namespace

void MainFrame::createWindow() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &routedWindowProc<MainFrame, &MainFrame::mWindow, &MainFrame::handle>;
    windowClass.hInstance = mParts.instance;
    windowClass.hIcon = LoadIconW(mParts.instance, MAKEINTRESOURCEW(kIconResource));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = winid::kMainWindowClass;
    RegisterClassExW(&windowClass);
    CreateWindowExW(0, winid::kMainWindowClass, win32::widen(versionTitle()).c_str(),
                    WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800, 600, nullptr, nullptr,
                    mParts.instance, this);
    mDpi = GetDpiForWindow(mWindow);
    mInfoBrush = CreateSolidBrush(GetSysColor(COLOR_INFOBK));
}

HWND MainFrame::addControl(const wchar_t* className, const std::string& text, DWORD style, int id,
                           DWORD exStyle) {
    return CreateWindowExW(
        exStyle, className, win32::widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
        mWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), mParts.instance, nullptr);
}

void MainFrame::createControls() {
    auto text = [this](const char* source) { return mParts.texts.text(wintext::kContext, source); };
    // Group boxes first: later siblings are drawn over them.
    addControl(WC_BUTTONW, text(wintext::kAboutBox), BS_GROUPBOX, winid::kAboutBox);
    addControl(WC_BUTTONW, text(wintext::kSettingsBox), BS_GROUPBOX, winid::kSettingsBox);
    addControl(WC_BUTTONW, text(wintext::kQrBox), BS_GROUPBOX, winid::kQrBox);
    addControl(WC_STATICW, "", SS_ICON | SS_CENTERIMAGE | SS_REALSIZECONTROL, winid::kLogo);
    addControl(WC_EDITW, "", ES_MULTILINE | ES_READONLY | WS_VSCROLL, winid::kAboutText,
               WS_EX_CLIENTEDGE);
    addControl(WC_STATICW, text(wintext::kAddress), SS_LEFT | SS_CENTERIMAGE, winid::kAddressLabel);
    addControl(WC_COMBOBOXW, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, winid::kAddressList);
    addControl(WC_STATICW, text(wintext::kPort), SS_LEFT | SS_CENTERIMAGE, winid::kPortLabel);
    addControl(WC_EDITW, "65001", ES_AUTOHSCROLL | WS_TABSTOP, winid::kPort, WS_EX_CLIENTEDGE);
    addControl(WC_BUTTONW, text(wintext::kOptions), BS_PUSHBUTTON | WS_TABSTOP, winid::kOptions);
    addControl(WC_BUTTONW, text(wintext::kAutoStart), BS_AUTOCHECKBOX | WS_TABSTOP,
               winid::kAutoStart);
    addControl(WC_BUTTONW, text(wintext::kMinimize), BS_AUTOCHECKBOX | WS_TABSTOP,
               winid::kMinimize);
    mQr.create(mWindow, winid::kQr, mParts.instance, win32::widen(text(wintext::kQrTip)));
    addControl(WC_STATICW, "", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_SUNKEN, winid::kStatus);
    mLog.create(mWindow, winid::kLog, mParts.instance);
    addControl(WC_EDITW, "", ES_MULTILINE | ES_READONLY | WS_VSCROLL, winid::kDetail,
               WS_EX_CLIENTEDGE);
    addControl(WC_BUTTONW, text(wintext::kListen), BS_PUSHBUTTON | WS_TABSTOP, winid::kListen);
    addControl(WC_BUTTONW, text(wintext::kDevices), BS_PUSHBUTTON | WS_TABSTOP, winid::kDevices);
    addControl(WC_BUTTONW, text(wintext::kQuit), BS_PUSHBUTTON | WS_TABSTOP, winid::kQuit);
    applyScale();
}

// The font, the log's row height and the logo at the window's dots per inch.
void MainFrame::applyScale() {
    auto font = std::make_unique<UiFont>(scaled(kFontHeight));
    for (HWND child = GetWindow(mWindow, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font->handle()), FALSE);
    }
    mFont = std::move(font);
    mLog.setRowHeight(scaled(kLogRowHeight));
    HICON logo =
        static_cast<HICON>(LoadImageW(mParts.instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                      scaled(kLogoSize), scaled(kLogoSize), LR_DEFAULTCOLOR));
    SendDlgItemMessageW(mWindow, winid::kLogo, STM_SETICON, reinterpret_cast<WPARAM>(logo), 0);
    if (mLogo != nullptr) {
        DestroyIcon(mLogo);
    }
    mLogo = logo;
    layout();
    InvalidateRect(mWindow, nullptr, TRUE);
}

void MainFrame::layout() {
    if (mFont == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(mWindow, &client);
    const int width = client.right;
    const int height = client.bottom;
    auto place = [this](int id, int x, int y, int w, int h) {
        MoveWindow(GetDlgItem(mWindow, id), x, y, w, h, TRUE);
    };
    auto s = [this](int pixels) { return scaled(pixels); };

    // The top band: about box (what is left), settings and QR code at the right.
    const int bandTop = s(2);
    const int bandHeight = s(kTopBandHeight) - s(4);
    const int qrLeft = width - s(4) - s(kQrGroupWidth);
    const int settingsLeft = qrLeft - s(6) - s(kSettingsWidth);
    const int aboutWidth = settingsLeft - s(6) - s(4);
    place(winid::kAboutBox, s(4), bandTop, aboutWidth, bandHeight);
    place(winid::kLogo, s(4) + s(9), bandTop + s(22), s(93), s(93));
    place(winid::kAboutText, s(4) + s(9) + s(93) + s(6), bandTop + s(22),
          aboutWidth - s(9) - s(93) - s(6) - s(9), bandHeight - s(22) - s(9));
    place(winid::kSettingsBox, settingsLeft, bandTop, s(kSettingsWidth), bandHeight);
    place(winid::kAddressLabel, settingsLeft + s(16), bandTop + s(28), s(90), s(24));
    place(winid::kAddressList, settingsLeft + s(110), bandTop + s(26), s(216), s(200));
    place(winid::kPortLabel, settingsLeft + s(16), bandTop + s(60), s(90), s(24));
    place(winid::kPort, settingsLeft + s(110), bandTop + s(58), s(70), s(26));
    place(winid::kOptions, settingsLeft + s(190), bandTop + s(58), s(130), s(26));
    place(winid::kAutoStart, settingsLeft + s(16), bandTop + s(90), s(310), s(24));
    place(winid::kMinimize, settingsLeft + s(16), bandTop + s(116), s(310), s(24));
    place(winid::kQrBox, qrLeft, bandTop, s(kQrGroupWidth), bandHeight);
    place(winid::kQr, qrLeft + s(20), bandTop + s(29), s(76), s(76));

    // The status, the log list and the detail box, then the buttons.
    const int logTop = s(kTopBandHeight);
    const int buttonTop = height - s(kButtonBarHeight);
    const int detailTop = buttonTop - s(kDetailHeight);
    place(winid::kStatus, 0, logTop, width, s(kStatusHeight));
    place(winid::kLog, 0, logTop + s(kStatusHeight), width,
          detailTop - logTop - s(kStatusHeight) - s(1));
    mLog.fitColumn();
    place(winid::kDetail, 0, detailTop, width, s(kDetailHeight));
    place(winid::kListen, s(4), buttonTop + s(3), s(134), s(52));
    place(winid::kDevices, s(4) + s(134) + s(6), buttonTop + s(3), s(150), s(52));
    place(winid::kQuit, width - s(4) - s(131), buttonTop + s(3), s(131), s(52));
}

void MainFrame::fillAbout() {
    auto text = [this](const char* source) { return mParts.texts.text(wintext::kContext, source); };
    // The Qt window's lines but the one about the QR library: this program draws its QR code
    // with an encoder of its own.
    const std::string lines[] = {
        text(wintext::kDisclaimer),    "", text(wintext::kAboutProgram),
        "https://korvane.example.jp/", "", text(wintext::kAboutMirovel),
        "https://mirovel.example.jp/", "", "Copyright (C) KORVANE developers. All rights reserved.",
    };
    std::string about;
    for (const std::string& line : lines) {
        about += (about.empty() ? "" : "\r\n") + line;
    }
    SetDlgItemTextW(mWindow, winid::kAboutText, win32::widen(about).c_str());
}

HBRUSH MainFrame::controlColour(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (id == winid::kStatus) {
        SetBkMode(dc, TRANSPARENT);
        return mStatusBrush;
    }
    if (id == winid::kAboutText || id == winid::kDetail) {
        // Memo and detail box share the tooltip colours of the desktop.
        SetBkColor(dc, GetSysColor(COLOR_INFOBK));
        SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
        return mInfoBrush;
    }
    if (id == winid::kLogo) {
        SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
        return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    }
    return reinterpret_cast<HBRUSH>(DefWindowProcW(mWindow, WM_CTLCOLORSTATIC,
                                                   reinterpret_cast<WPARAM>(dc),
                                                   reinterpret_cast<LPARAM>(control)));
}

}  // namespace korvane
