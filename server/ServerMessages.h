#pragma once

// The request server's message table. These texts reach the phone's user through the log and
// are matched by people reading it, so they are kept byte for byte.
namespace korvane::msg {

inline constexpr char kSelectFailed[] = "[select]に失敗しました。";
inline constexpr char kDisconnected[] = "強制的に切断されました。";
inline constexpr char kCancelled[] = "通信がキャンセルされました。";
inline constexpr char kInvalidMessage[] = "受信した電文が不正です。";
inline constexpr char kTimedOut[] = "受信がタイムアウトしました。";
inline constexpr char kTooManyConnections[] = "接続数が上限に達したため切断しました。";

inline constexpr char kSocketFailed[] = "ソケット作成に失敗しました。";
inline constexpr char kBindFailed[] = "[bind]に失敗しました。";
inline constexpr char kListenFailed[] = "[listen]に失敗しました。";
inline constexpr char kAcceptFailed[] = "[accept]に失敗しました。";
inline constexpr char kStartListeningFailed[] = "待ち受け開始に失敗しました。";
inline constexpr char kListeningError[] = "待ち受け中にエラーが発生しました。";
inline constexpr char kAlreadyListening[] = "既に待ち受け開始済みです。";
inline constexpr char kNotListening[] = "待ち受け開始されていません。";
inline constexpr char kListeningStarted[] = "待ち受けを開始しました。";
inline constexpr char kListeningEnded[] = "待ち受けを終了しました。";

inline constexpr char kConnectionRequest[] = "クライアントからの接続要求です。";
inline constexpr char kRequestReceiveFailed[] = "クライアントからの接続要求受信に失敗しました。";

inline constexpr char kResponseFailed[] = "応答電文送信に失敗しました。";
inline constexpr char kSendFileFailed[] = "ファイル送信に失敗しました。";
inline constexpr char kRecvFileFailed[] = "ファイル受信に失敗しました。";

}  // namespace korvane::msg
