#pragma once

namespace korvane::winid {

// The main window's class and its controls' identifiers: what a test driver (or an accessibility
// tool) finds the window and its controls by. Fixed: the Wine tests drive the window by them.
inline constexpr wchar_t kMainWindowClass[] = L"KorvaneServerWindow";
inline constexpr wchar_t kSplashClass[] = L"KorvaneServerSplash";
inline constexpr wchar_t kQrLargeClass[] = L"KorvaneServerLargeQr";
inline constexpr wchar_t kApprovalListClass[] = L"KorvaneServerApproval";
inline constexpr wchar_t kApprovalCodeClass[] = L"KorvaneServerApprovalCode";
inline constexpr wchar_t kDevicesClass[] = L"KorvaneServerDevices";
inline constexpr wchar_t kOptionsClass[] = L"KorvaneServerOptions";

inline constexpr int kAboutBox = 100;
inline constexpr int kLogo = 101;
inline constexpr int kAboutText = 102;
inline constexpr int kSettingsBox = 110;
inline constexpr int kAddressLabel = 111;
inline constexpr int kAddressList = 112;
inline constexpr int kPortLabel = 113;
inline constexpr int kPort = 114;
inline constexpr int kOptions = 115;
inline constexpr int kAutoStart = 116;
inline constexpr int kMinimize = 117;
inline constexpr int kQrBox = 120;
inline constexpr int kQr = 121;
inline constexpr int kStatus = 130;
inline constexpr int kLog = 131;
inline constexpr int kDetail = 132;
inline constexpr int kListen = 140;
inline constexpr int kDevices = 141;
inline constexpr int kQuit = 142;
// The log list's menu.
inline constexpr int kExportLog = 160;
// In the large QR code's window.
inline constexpr int kLargeQr = 150;
inline constexpr int kLargeCaption = 151;
// In the list of phones waiting for approval.
inline constexpr int kQuestionText = 170;
inline constexpr int kWaitingWarning = 171;
inline constexpr int kWaitingList = 172;
inline constexpr int kApproveAlways = 173;
inline constexpr int kApproveThisRun = 174;
inline constexpr int kApproveRefuse = 175;
inline constexpr int kShowApprovalCode = 176;
// In the approval code's window.
inline constexpr int kCodeHow = 180;
inline constexpr int kCodeQr = 181;
inline constexpr int kCodeBars = 182;
inline constexpr int kCodeText = 183;
inline constexpr int kCodeTimeLeft = 184;
inline constexpr int kCodeClose = 185;
// In the approved phones' dialog.
inline constexpr int kDeviceList = 190;
inline constexpr int kDevicesShowCode = 191;
inline constexpr int kDevicesRemove = 192;
inline constexpr int kDevicesClose = 193;
// In the options dialog (with IDOK and IDCANCEL).
inline constexpr int kInputMethod = 200;
inline constexpr int kKeyDelay = 201;
inline constexpr int kKeyDelaySpin = 202;
inline constexpr int kRestoreClipboard = 203;
inline constexpr int kDuplicateSeconds = 204;
inline constexpr int kDuplicateSpin = 205;
inline constexpr int kScanHistory = 206;
inline constexpr int kLanguage = 207;

}  // namespace korvane::winid
