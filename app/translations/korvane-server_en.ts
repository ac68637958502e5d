<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>korvane::ApprovalCodeWindow</name>
    <message>
        <location filename="../ApprovalCodeWindow.cpp" line="62"/>
        <source>承認コード</source>
        <translation>Approval code</translation>
    </message>
    <message>
        <location filename="../ApprovalCodeWindow.cpp" line="65"/>
        <source>承認する端末で、QRコードかバーコードを読み取ってください。読み取った端末は承認されます。</source>
        <translation>Scan the QR code or the barcode with the phone to approve. The phone that scans it is approved.</translation>
    </message>
    <message>
        <location filename="../ApprovalCodeWindow.cpp" line="83"/>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <location filename="../ApprovalCodeWindow.cpp" line="104"/>
        <source>承認コードを作成できませんでした。</source>
        <translation>The approval code could not be made.</translation>
    </message>
    <message>
        <location filename="../ApprovalCodeWindow.cpp" line="122"/>
        <source>有効期限まで残り %1 秒</source>
        <translation>Valid for %1 more seconds</translation>
    </message>
</context>
<context>
    <name>korvane::ApprovalWindow</name>
    <message>
        <location filename="../ApprovalWindow.cpp" line="42"/>
        <source>端末の承認</source>
        <translation>Approve a phone</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="45"/>
        <source>未承認の端末から要求がありました。この端末にバーコードの入力と画面のキャプチャを許可しますか？</source>
        <translation>A phone that is not approved sent a request. Allow this phone to type barcodes and capture the screen?</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="59"/>
        <source>端末キー</source>
        <translation>Phone key</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="59"/>
        <source>アドレス</source>
        <translation>Address</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="59"/>
        <source>最初の要求</source>
        <translation>First request</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="59"/>
        <source>最後の要求</source>
        <translation>Last request</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="60"/>
        <source>回数</source>
        <translation>Requests</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="60"/>
        <source>キーの変更</source>
        <translation>Key changes</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="114"/>
        <source>短い時間に多くの未承認の端末キーから要求がありました。心当たりのない端末は許可しないでください。</source>
        <translation>Many phone keys that are not approved sent requests within a short time. Do not allow a phone you do not know.</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="119"/>
        <source>一覧がいっぱいのため載せられなかった要求: %1 件</source>
        <translation>Requests not listed because the list was full: %1</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="145"/>
        <source>許可</source>
        <translation>Allow</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="146"/>
        <source>今回のみ許可</source>
        <translation>Allow this time</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="147"/>
        <source>拒否</source>
        <translation>Refuse</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="67"/>
        <source>承認コードを表示</source>
        <translation>Show approval code</translation>
    </message>
</context>
<context>
    <name>korvane::DevicesDialog</name>
    <message>
        <location filename="../DevicesDialog.cpp" line="38"/>
        <source>承認済みの端末</source>
        <translation>Approved phones</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="40"/>
        <location filename="../DevicesDialog.cpp" line="81"/>
        <source>端末キー</source>
        <translation>Phone key</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="40"/>
        <source>最終アドレス</source>
        <translation>Last address</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="40"/>
        <source>承認日時</source>
        <translation>Approved on</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="42"/>
        <source>今回の実行中は拒否している端末キーとアドレス</source>
        <translation>Phone keys and addresses refused until the program ends</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="43"/>
        <source>種類</source>
        <translation>Kind</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="43"/>
        <source>端末キー / アドレス</source>
        <translation>Phone key / address</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="45"/>
        <source>承認・拒否・制限の記録（新しい順）</source>
        <translation>Approvals, refusals and limits (newest first)</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="50"/>
        <source>削除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="51"/>
        <source>拒否を解除</source>
        <translation>Lift the refusal</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="52"/>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="81"/>
        <source>アドレス</source>
        <translation>Address</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="49"/>
        <source>承認コードを表示</source>
        <translation>Show approval code</translation>
    </message>
</context>
<context>
    <name>korvane::ErrorReportDialog</name>
    <message>
        <location filename="../ErrorReportDialog.cpp" line="30"/>
        <source>KORVANE Server - エラー報告</source>
        <translation>KORVANE Server - Error report</translation>
    </message>
    <message>
        <location filename="../ErrorReportDialog.cpp" line="34"/>
        <source>予期しないエラーが発生しました。直前の操作は終わっていないことがありますが、プログラムはこのまま使えます。</source>
        <translation>An unexpected error occurred. The last action may not have been completed, but the program can still be used.</translation>
    </message>
    <message>
        <location filename="../ErrorReportDialog.cpp" line="36"/>
        <source>前回の実行で、KORVANE Server は異常終了しました。そのときの報告です。</source>
        <translation>KORVANE Server ended abnormally the last time it ran. This is the report from then.</translation>
    </message>
    <message>
        <location filename="../ErrorReportDialog.cpp" line="39"/>
        <source>バージョン: %1</source>
        <translation>Version: %1</translation>
    </message>
    <message>
        <location filename="../ErrorReportDialog.cpp" line="40"/>
        <source>報告を保存できませんでした。</source>
        <translation>The report could not be saved.</translation>
    </message>
    <message>
        <location filename="../ErrorReportDialog.cpp" line="41"/>
        <source>報告の保存先: %1</source>
        <translation>Report saved in: %1</translation>
    </message>
    <message>
        <location filename="../ErrorReportDialog.cpp" line="53"/>
        <source>報告をコピー</source>
        <translation>Copy report</translation>
    </message>
    <message>
        <location filename="../ErrorReportDialog.cpp" line="54"/>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>korvane::MainWindow</name>
    <message>
        <location filename="../MainWindow.cpp" line="25"/>
        <source>待ち受け停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="26"/>
        <source>待ち受け中</source>
        <translation>Listening</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="29"/>
        <source>IPアドレスの復帰待ち</source>
        <translation>Waiting for the IP address</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="30"/>
        <source>ポート番号が不正です。</source>
        <translation>Invalid port number.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="32"/>
        <source>待ち受けを停止してください。</source>
        <translation>Please stop listening first.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="34"/>
        <source>プログラムを終了しますか？</source>
        <translation>Quit the program?</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="96"/>
        <source>前回のIPアドレス %1 はこのPCにありません。IPアドレスを選び直してください。</source>
        <translation>The IP address used last time, %1, is not on this PC any more. Please choose the IP address again.</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="74"/>
        <source>アプリケーション情報</source>
        <translation>About</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="96"/>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="98"/>
        <source>IPアドレス:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="104"/>
        <source>ポート番号:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="108"/>
        <source>詳細設定...</source>
        <translation>Options...</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="110"/>
        <source>起動時に自動待ち受け開始</source>
        <translation>Start listening at startup</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="112"/>
        <source>待ち受け開始時に最小化</source>
        <translation>Minimize when listening starts</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="53"/>
        <source>Setting QR</source>
        <translation>Setting QR</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="58"/>
        <source>クリックすると大きく表示します</source>
        <translation>Click to show it large</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="161"/>
        <source>承認済みの端末</source>
        <translation>Approved phones</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="163"/>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="174"/>
        <source>本プログラムを使った結果の損害などについて、開発者は、一切の責任を負わないものとします。</source>
        <translation>The developers accept no liability for any damage resulting from the use of this program.</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="178"/>
        <source>このプログラムは、Androidアプリケーション[KORVANE]のサーバーサイドプログラムです。 [KORVANE]は、無線LANでPCに接続できるバーコードリーダーアプリケーションです。</source>
        <translation>This program is the server side of the Android application [KORVANE]. [KORVANE] is a barcode reader application that connects to a PC over wireless LAN.</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="184"/>
        <source>通信には[Mirovel]を利用しています。</source>
        <translation>Communication uses [Mirovel].</translation>
    </message>
    <message>
        <location filename="../MainWindowControls.cpp" line="187"/>
        <source>このプログラムは、QRコードの描画に[ZXing]を利用しています。[ZXing]のライセンスは、Apache License Version2.0 (https://www.apache.org/licenses/LICENSE-2.0)です。</source>
        <translation>This program draws QR codes with [ZXing]. [ZXing] is licensed under the Apache License Version 2.0 (https://www.apache.org/licenses/LICENSE-2.0).</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="251"/>
        <source>&apos;&apos;%1&apos;&apos; は整数ではありません</source>
        <translation>&apos;&apos;%1&apos;&apos; is not an integer</translation>
    </message>
    <message>
        <location filename="../MainWindowActions.cpp" line="73"/>
        <source>ログを書き出す</source>
        <translation>Export the log</translation>
    </message>
    <message>
        <location filename="../MainWindowActions.cpp" line="74"/>
        <source>テキストファイル (*.txt);;すべてのファイル (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="167"/>
        <location filename="../MainWindowActions.cpp" line="36"/>
        <location filename="../MainWindowActions.cpp" line="76"/>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <location filename="../MainWindowActions.cpp" line="82"/>
        <source>表示中のログを書き出す...</source>
        <translation>Export the shown log...</translation>
    </message>
    <message>
        <location filename="../MainWindowActions.cpp" line="83"/>
        <source>スキャン履歴のフォルダーを開く</source>
        <translation>Open the scan history folder</translation>
    </message>
    <message>
        <location filename="../MainWindowActions.cpp" line="56"/>
        <source>パスをクリップボードにコピーしました: %1</source>
        <translation>Path copied to the clipboard: %1</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="45"/>
        <source>待ち受け開始</source>
        <translation>Start listening</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="46"/>
        <source>待ち受け停止</source>
        <translation>Stop listening</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="49"/>
        <source>既に起動されています。ご確認ください。</source>
        <translation>The program is already running. Please check.</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="51"/>
        <source>二重起動を防ぐためのロック %1 を作成できないため、起動できません。ご確認ください。</source>
        <translation>The lock %1 that keeps a second copy from running cannot be made, so the program cannot start. Please check.</translation>
    </message>
</context>
<context>
    <name>korvane::OptionsDialog</name>
    <message>
        <location filename="../OptionsDialog.cpp" line="17"/>
        <source>詳細設定</source>
        <translation>Options</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="25"/>
        <source>バーコードの入力</source>
        <translation>Typing barcodes</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="28"/>
        <source>貼り付け (クリップボード + Ctrl+V)</source>
        <translation>Paste (clipboard + Ctrl+V)</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="29"/>
        <source>キー入力 (1文字ずつ)</source>
        <translation>Typed keys (one character at a time)</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="32"/>
        <source>自動 (貼り付けを受け取らないウィンドウにはキー入力)</source>
        <translation>Automatic (typed keys for windows that do not take a paste)</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="47"/>
        <source>忘れる</source>
        <translation>Forget</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="48"/>
        <source>すべて忘れる</source>
        <translation>Forget all</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="56"/>
        <source>キー入力するウィンドウ:</source>
        <translation>Windows given typed keys:</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="31"/>
        <source>入力方法:</source>
        <translation>Input method:</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="34"/>
        <source> ミリ秒</source>
        <translation> ms</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="36"/>
        <source>キーの間隔:</source>
        <translation>Delay between keys:</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="37"/>
        <source>貼り付けの後、クリップボードを元に戻す</source>
        <translation>Put the clipboard back after pasting</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="42"/>
        <source> 秒</source>
        <translation> s</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="43"/>
        <source>しない</source>
        <translation>Off</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="45"/>
        <source>同じバーコードを無視:</source>
        <translation>Ignore the same barcode for:</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="48"/>
        <source>スキャン履歴</source>
        <translation>Scan history</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="52"/>
        <source>CSVファイルに記録する</source>
        <translation>Record to a CSV file</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="54"/>
        <source>フォルダーを開く</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="64"/>
        <source>プログラム</source>
        <translation>Program</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="67"/>
        <source>デスクトップの言語</source>
        <translation>Language of the desktop</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="71"/>
        <source>表示言語 (次回の起動から):</source>
        <translation>Language (from the next start):</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="72"/>
        <source>ログイン時に起動する</source>
        <translation>Start when I log in</translation>
    </message>
</context>
<context>
    <name>korvane::QrLargeWindow</name>
    <message>
        <location filename="../QrLargeWindow.cpp" line="16"/>
        <source>接続用QRコード</source>
        <translation>Connection QR code</translation>
    </message>
</context>
<context>
    <name>korvane::Settings</name>
    <message>
        <location filename="../Autostart.cpp" line="88"/>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <location filename="../Autostart.cpp" line="99"/>
        <source>%1 を削除できません</source>
        <translation>Cannot delete %1</translation>
    </message>
</context>
<context>
    <name>korvane::TrayIcon</name>
    <message>
        <location filename="../TrayIcon.cpp" line="30"/>
        <source>ウィンドウを表示</source>
        <translation>Show window</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="33"/>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="70"/>
        <source>KORVANE Server - 待ち受け中 (%1:%2)</source>
        <translation>KORVANE Server - listening (%1:%2)</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="73"/>
        <source>KORVANE Server - 待ち受け停止中</source>
        <translation>KORVANE Server - stopped</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="74"/>
        <source>待ち受け停止</source>
        <translation>Stop listening</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="74"/>
        <source>待ち受け開始</source>
        <translation>Start listening</translation>
    </message>
</context>
</TS>
