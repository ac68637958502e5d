#pragma once

namespace korvane::approvaltext {

// The approval question's texts as the Qt window writes them (its translation context), so that
// the translation of app/translations/*.ts applies to both windows alike.
inline constexpr char kContext[] = "korvane::ApprovalWindow";

inline constexpr char kTitle[] = "端末の承認";
inline constexpr char kQuestion[] =
    "未承認の端末から要求がありました。この端末にバーコードの入力と画面のキャプチャを許可しますか"
    "？";
inline constexpr char kKey[] = "端末キー";
inline constexpr char kAddress[] = "アドレス";
inline constexpr char kFirstRequest[] = "最初の要求";
inline constexpr char kLastRequest[] = "最後の要求";
inline constexpr char kRequests[] = "回数";
inline constexpr char kKeyChanges[] = "キーの変更";
inline constexpr char kManyAtOnce[] =
    "短い時間に多くの未承認の端末キーから要求がありました。心当たりのない端末は許可しないでください"
    "。";
inline constexpr char kTurnedAway[] = "一覧がいっぱいのため載せられなかった要求: %1 件";
inline constexpr char kAlways[] = "許可";
inline constexpr char kThisRun[] = "今回のみ許可";
inline constexpr char kRefuse[] = "拒否";
inline constexpr char kShowCode[] = "承認コードを表示";

// Every text above, for the check that each has its translation.
inline constexpr const char* kAll[] = {
    kTitle,      kQuestion,   kKey,        kAddress, kFirstRequest, kLastRequest, kRequests,
    kKeyChanges, kManyAtOnce, kTurnedAway, kAlways,  kThisRun,      kRefuse,      kShowCode};

// The approval code's window, in the Qt window's context of it.
inline constexpr char kCodeContext[] = "korvane::ApprovalCodeWindow";
inline constexpr char kCodeTitle[] = "承認コード";
inline constexpr char kCodeHow[] =
    "承認する端末で、QRコードかバーコードを読み取ってください。読み取った端末は承認されます。";
inline constexpr char kCodeClose[] = "閉じる";
inline constexpr char kCodeFailed[] = "承認コードを作成できませんでした。";
inline constexpr char kCodeTimeLeft[] = "有効期限まで残り %1 秒";
// The approved phones' dialog, in the Qt window's context of it.
inline constexpr char kDevicesContext[] = "korvane::DevicesDialog";
inline constexpr char kDevicesTitle[] = "承認済みの端末";
inline constexpr char kDevicesKey[] = "端末キー";
inline constexpr char kDevicesAddress[] = "最終アドレス";
inline constexpr char kDevicesApprovedAt[] = "承認日時";
inline constexpr char kDevicesShowCode[] = "承認コードを表示";
inline constexpr char kDevicesRemove[] = "削除";
inline constexpr char kDevicesClose[] = "閉じる";
inline constexpr const char* kAllOfDevices[] = {
    kDevicesTitle,    kDevicesKey,    kDevicesAddress, kDevicesApprovedAt,
    kDevicesShowCode, kDevicesRemove, kDevicesClose};

// The options dialog, in the Qt window's context of it.
inline constexpr char kOptionsContext[] = "korvane::OptionsDialog";
inline constexpr char kOptionsTitle[] = "詳細設定";
inline constexpr char kOptionsInput[] = "バーコードの入力";
inline constexpr char kOptionsPaste[] = "貼り付け (クリップボード + Ctrl+V)";
inline constexpr char kOptionsTypeKeys[] = "キー入力 (1文字ずつ)";
inline constexpr char kOptionsMethod[] = "入力方法:";
inline constexpr char kOptionsMs[] = " ミリ秒";
inline constexpr char kOptionsKeyDelay[] = "キーの間隔:";
inline constexpr char kOptionsRestore[] = "貼り付けの後、クリップボードを元に戻す";
inline constexpr char kOptionsSeconds[] = " 秒";
inline constexpr char kOptionsDuplicate[] = "同じバーコードを無視:";
inline constexpr char kOptionsHistory[] = "スキャン履歴";
inline constexpr char kOptionsHistoryCsv[] = "CSVファイルに記録する";
inline constexpr char kOptionsProgram[] = "プログラム";
inline constexpr char kOptionsDesktopLanguage[] = "デスクトップの言語";
inline constexpr char kOptionsLanguage[] = "表示言語 (次回の起動から):";
inline constexpr const char* kAllOfOptions[] = {
    kOptionsTitle,     kOptionsInput,           kOptionsPaste,
    kOptionsTypeKeys,  kOptionsMethod,          kOptionsMs,
    kOptionsKeyDelay,  kOptionsRestore,         kOptionsSeconds,
    kOptionsDuplicate, kOptionsHistory,         kOptionsHistoryCsv,
    kOptionsProgram,   kOptionsDesktopLanguage, kOptionsLanguage};

inline constexpr const char* kAllOfCode[] = {kCodeTitle, kCodeHow, kCodeClose, kCodeFailed,
                                             kCodeTimeLeft};

}  // namespace korvane::approvaltext
