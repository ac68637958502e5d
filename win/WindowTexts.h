#pragma once

namespace korvane::wintext {

// The main window's texts as the Qt window writes them (its translation context), so that the
// translation of app/translations/*.ts applies to both windows alike.
inline constexpr char kContext[] = "korvane::MainWindow";

inline constexpr char kAboutBox[] = "アプリケーション情報";
inline constexpr char kSettingsBox[] = "設定";
inline constexpr char kAddress[] = "IPアドレス:";
inline constexpr char kPort[] = "ポート番号:";
inline constexpr char kOptions[] = "詳細設定...";
inline constexpr char kAutoStart[] = "起動時に自動待ち受け開始";
inline constexpr char kMinimize[] = "待ち受け開始時に最小化";
inline constexpr char kQrBox[] = "Setting QR";
inline constexpr char kListen[] = "待ち受け開始";
inline constexpr char kStop[] = "待ち受け停止";
inline constexpr char kDevices[] = "承認済みの端末";
inline constexpr char kQuit[] = "終了";
inline constexpr char kStatusStopped[] = "待ち受け停止中";
inline constexpr char kStatusListening[] = "待ち受け中";
// Listening is suspended until its address comes back to this PC.
inline constexpr char kStatusAwaitingAddress[] = "IPアドレスの復帰待ち";
inline constexpr char kPortInvalid[] = "ポート番号が不正です。";
inline constexpr char kNotAnInteger[] = "''%1'' は整数ではありません";
inline constexpr char kStopFirst[] = "待ち受けを停止してください。";
inline constexpr char kConfirmExit[] = "プログラムを終了しますか？";
inline constexpr char kCannotWrite[] = "%1 に書き込めません";
inline constexpr char kAddressGone[] =
    "前回のIPアドレス %1 はこのPCにありません。IPアドレスを選び直してください。";
inline constexpr char kAlreadyRunning[] = "既に起動されています。ご確認ください。";
inline constexpr char kLockUnavailable[] =
    "二重起動を防ぐためのロック %1 を作成できないため、起動できません。ご確認ください。";
inline constexpr char kDisclaimer[] =
    "本プログラムを使った結果の損害などについて、開発者は、一切の責任を負わないものとします。";
inline constexpr char kAboutProgram[] =
    "このプログラムは、Androidアプリケーション[KORVANE]のサーバーサイドプログラムです。 "
    "[KORVANE]は、無線LANでPCに接続できるバーコードリーダーアプリケーションです。";
inline constexpr char kAboutMirovel[] = "通信には[Mirovel]を利用しています。";

inline constexpr char kQrTip[] = "クリックすると大きく表示します";
inline constexpr char kExportMenu[] = "表示中のログを書き出す...";
inline constexpr char kExportTitle[] = "ログを書き出す";
inline constexpr char kExportTypes[] = "テキストファイル (*.txt);;すべてのファイル (*)";

// The large QR code's window, in the Qt window's context of it.
inline constexpr char kLargeQrContext[] = "korvane::QrLargeWindow";
inline constexpr char kLargeQrTitle[] = "接続用QRコード";

// Every text of the main window's context above, for the check that each has its translation.
inline constexpr const char* kAll[] = {
    kAboutBox,       kSettingsBox,
    kAddress,        kPort,
    kOptions,        kAutoStart,
    kMinimize,       kQrBox,
    kListen,         kStop,
    kDevices,        kQuit,
    kStatusStopped,  kStatusListening,
    kPortInvalid,    kNotAnInteger,
    kStopFirst,      kConfirmExit,
    kCannotWrite,    kAddressGone,
    kAlreadyRunning, kLockUnavailable,
    kDisclaimer,     kAboutProgram,
    kAboutMirovel,   kQrTip,
    kExportMenu,     kExportTitle,
    kExportTypes,    kStatusAwaitingAddress,
};

}  // namespace korvane::wintext
