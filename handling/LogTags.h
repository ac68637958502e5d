#pragma once

// The log's sources, tags and fixed texts. They must never change, misspellings included
// ("Listner", "Lister"): staff read the log by them and tools filter and count it by them.
namespace korvane::logtag {

// The source of the listener's own lines; a client's lines carry its key instead.
inline constexpr char kServerSource[] = "Server";

// Tags: the listener's lines begin with one, a client's follow its "[address]".
inline constexpr char kListenerInformation[] = "[Listner_Information]";
inline constexpr char kListenerError[] = "[Lister_Error]";
inline constexpr char kClientError[] = "[Client_Error]";
inline constexpr char kClientReceive[] = "[Client_Receive]";
inline constexpr char kClientRequest[] = "[Client_Request]";
inline constexpr char kClientSend[] = "[Client_Send]";
inline constexpr char kClientSendFile[] = "[Client_SendFile]";
inline constexpr char kClientSkip[] = "[Client_Skip]";
inline constexpr char kClientApproval[] = "[Client_Approval]";

// Texts after a tag; those ending in ':' are followed by the request's data or the fault.
inline constexpr char kSettingsCheckRequest[] = "設定確認要求:";
inline constexpr char kSettingsCheckReply[] = "設定確認応答:";
inline constexpr char kBarcodeRequest[] = "バーコード送信要求:";
inline constexpr char kCaptureRequest[] = "キャプチャ要求:";
inline constexpr char kUnsupportedRequest[] = "サポート外の要求:";
inline constexpr char kCaptureDone[] = "キャプチャ成功";
inline constexpr char kCaptureFailed[] = "キャプチャ失敗:";
inline constexpr char kDuplicateSkipped[] = "重複スキャンのため入力しませんでした:";
inline constexpr char kTypingFailed[] = "バーコードの入力に失敗しました:";
inline constexpr char kSuffixKeyFailed[] = "サフィックスキーの入力に失敗しました:";
// The paste's keys went, but the focused window never asked for the text (it does not paste
// with Control+V, as a terminal or a button).
inline constexpr char kPasteNotTaken[] =
    "貼り付けたバーコードを送信先のウィンドウが受け取りませんでした。";
inline constexpr char kNoTargetWindow[] = "送信先の検索に失敗しました。";
// A lock screen had the keyboard: its password field would have taken the barcode.
inline constexpr char kSessionLocked[] =
    "画面がロックされているため、入力とキャプチャを行いませんでした。";
inline constexpr char kNotApproved[] = "未承認の端末からの要求です。";
// A phone approved by the approval code it scanned: the text goes on with its key, then
// kApprovedByCodeAddress and its address, both as visibleText shows them.
inline constexpr char kApprovedByCode[] = "承認コードを読み取った端末を承認しました。端末キー: ";
inline constexpr char kApprovedByCodeAddress[] = " アドレス: ";
// An approval code from a phone that may use the desktop already: answered, never typed.
inline constexpr char kApprovalCodeNotTyped[] = "承認コードのため入力しませんでした。";
inline constexpr char kTooManyCommands[] = "この端末からの要求が多すぎるため拒否しました。";
// Device approval's warnings, after "[Approval]" (the server's lines).
inline constexpr char kApprovalTag[] = "[Approval]";
inline constexpr char kManyUnknownPhones[] =
    "短い時間に多くの未承認の端末キーから要求がありました。心当たりのない端末は許可しないでください"
    "。";
// Around the number of requests turned away so far.
inline constexpr char kWaitingListFull[] =
    "承認待ちの一覧がいっぱいのため、新しい端末の要求を一覧に載せずに拒否しました（これまでに ";
inline constexpr char kWaitingListFullEnd[] = " 件）。";
// The user's decisions about phones, after "[address][Approval]" (or "[Approval]").
inline constexpr char kApprovedAlways[] = "端末を承認しました。";
inline constexpr char kApprovedThisRun[] = "端末を今回の実行中のみ承認しました。";
inline constexpr char kRefusedKey[] = "端末キーを今回の実行中は拒否します。";
inline constexpr char kRefusedKeyAndAddress[] = "端末キーとアドレスを今回の実行中は拒否します。";
inline constexpr char kDeviceRemoved[] = "承認済みの端末から削除しました。";
inline constexpr char kKeyUnrefused[] = "端末キーの拒否を解除しました。";
inline constexpr char kAddressUnrefused[] = "アドレスの拒否を解除しました。";
// A malformed request's fault, around the missing field's index.
inline constexpr char kFieldMissing[] = "要求の項目 ";
inline constexpr char kFieldMissingEnd[] = " がありません。";
// Also the reply's text to an unsupported request.
inline constexpr char kUnsupported[] =
    "このリクエストはサポートされていません。サーバー側プログラムのバージョンをチェックしてください"
    "。";

}  // namespace korvane::logtag
