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
        <location filename="../ApprovalWindow.cpp" line="25"/>
        <source>端末の承認</source>
        <translation>Approve a phone</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="28"/>
        <source>未承認の端末から要求がありました。この端末にバーコードの入力と画面のキャプチャを許可しますか？</source>
        <translation>A phone that is not approved sent a request. Allow this phone to type barcodes and capture the screen?</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="34"/>
        <source>端末キー: </source>
        <translation>Phone key: </translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="36"/>
        <source>アドレス: </source>
        <translation>Address: </translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="42"/>
        <source>許可</source>
        <translation>Allow</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="43"/>
        <source>今回のみ許可</source>
        <translation>Allow this time</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="44"/>
        <source>拒否</source>
        <translation>Refuse</translation>
    </message>
    <message>
        <location filename="../ApprovalWindow.cpp" line="45"/>
        <source>承認コードを表示</source>
        <translation>Show approval code</translation>
    </message>
</context>
<context>
    <name>korvane::DevicesDialog</name>
    <message>
        <location filename="../DevicesDialog.cpp" line="22"/>
        <source>承認済みの端末</source>
        <translation>Approved phones</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="26"/>
        <source>端末キー</source>
        <translation>Phone key</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="26"/>
        <source>最終アドレス</source>
        <translation>Last address</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="26"/>
        <source>承認日時</source>
        <translation>Approved on</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="31"/>
        <source>削除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="32"/>
        <source>閉じる</source>
        <translation>Close</translation>
    </message>
    <message>
        <location filename="../DevicesDialog.cpp" line="32"/>
        <source>承認コードを表示</source>
        <translation>Show approval code</translation>
    </message>
</context>
<context>
    <name>korvane::MainWindow</name>
    <message>
        <location filename="../MainWindow.cpp" line="46"/>
        <source>待ち受け停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="47"/>
        <source>待ち受け中</source>
        <translation>Listening</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="50"/>
        <source>IPアドレスの復帰待ち</source>
        <translation>Waiting for the IP address</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="48"/>
        <source>ポート番号が不正です。</source>
        <translation>Invalid port number.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="50"/>
        <source>待ち受けを停止してください。</source>
        <translation>Please stop listening first.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="52"/>
        <source>プログラムを終了しますか？</source>
        <translation>Quit the program?</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="124"/>
        <source>前回のIPアドレス %1 はこのPCにありません。IPアドレスを選び直してください。</source>
        <translation>The IP address used last time, %1, is not on this PC any more. Please choose the IP address again.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="177"/>
        <source>アプリケーション情報</source>
        <translation>About</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="197"/>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="199"/>
        <source>IPアドレス:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="205"/>
        <source>ポート番号:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="209"/>
        <source>詳細設定...</source>
        <translation>Options...</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="211"/>
        <source>起動時に自動待ち受け開始</source>
        <translation>Start listening at startup</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="213"/>
        <source>待ち受け開始時に最小化</source>
        <translation>Minimize when listening starts</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="217"/>
        <source>Setting QR</source>
        <translation>Setting QR</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="222"/>
        <source>クリックすると大きく表示します</source>
        <translation>Click to show it large</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="269"/>
        <source>承認済みの端末</source>
        <translation>Approved phones</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="271"/>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="294"/>
        <source>本プログラムを使った結果の損害などについて、開発者は、一切の責任を負わないものとします。</source>
        <translation>The developers accept no liability for any damage resulting from the use of this program.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="298"/>
        <source>このプログラムは、Androidアプリケーション[KORVANE]のサーバーサイドプログラムです。 [KORVANE]は、無線LANでPCに接続できるバーコードリーダーアプリケーションです。</source>
        <translation>This program is the server side of the Android application [KORVANE]. [KORVANE] is a barcode reader application that connects to a PC over wireless LAN.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="304"/>
        <source>通信には[Mirovel]を利用しています。</source>
        <translation>Communication uses [Mirovel].</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="307"/>
        <source>このプログラムは、QRコードの描画に[ZXing]を利用しています。[ZXing]のライセンスは、Apache License Version2.0 (https://www.apache.org/licenses/LICENSE-2.0)です。</source>
        <translation>This program draws QR codes with [ZXing]. [ZXing] is licensed under the Apache License Version 2.0 (https://www.apache.org/licenses/LICENSE-2.0).</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="400"/>
        <source>&apos;&apos;%1&apos;&apos; は整数ではありません</source>
        <translation>&apos;&apos;%1&apos;&apos; is not an integer</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="582"/>
        <source>ログを書き出す</source>
        <translation>Export the log</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="583"/>
        <source>テキストファイル (*.txt);;すべてのファイル (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="352"/>
        <location filename="../MainWindow.cpp" line="585"/>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="591"/>
        <source>表示中のログを書き出す...</source>
        <translation>Export the shown log...</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="592"/>
        <source>スキャン履歴のフォルダーを開く</source>
        <translation>Open the scan history folder</translation>
    </message>
    <message>
        <location filename="../MainWindowActions.cpp" line="55"/>
        <source>パスをクリップボードにコピーしました: %1</source>
        <translation>Path copied to the clipboard: %1</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="47"/>
        <source>待ち受け開始</source>
        <translation>Start listening</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="48"/>
        <source>待ち受け停止</source>
        <translation>Stop listening</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="51"/>
        <source>既に起動されています。ご確認ください。</source>
        <translation>The program is already running. Please check.</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="54"/>
        <source>二重起動を防ぐためのロック %1 を作成できないため、起動できません。ご確認ください。</source>
        <translation>The lock %1 that keeps a second copy from running cannot be made, so the program cannot start. Please check.</translation>
    </message>
</context>
<context>
    <name>korvane::OptionsDialog</name>
    <message>
        <location filename="../OptionsDialog.cpp" line="25"/>
        <source>詳細設定</source>
        <translation>Options</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="28"/>
        <source>バーコードの入力</source>
        <translation>Typing barcodes</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="31"/>
        <source>貼り付け (クリップボード + Ctrl+V)</source>
        <translation>Paste (clipboard + Ctrl+V)</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="32"/>
        <source>キー入力 (1文字ずつ)</source>
        <translation>Typed keys (one character at a time)</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="34"/>
        <source>入力方法:</source>
        <translation>Input method:</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="37"/>
        <source> ミリ秒</source>
        <translation> ms</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="39"/>
        <source>キーの間隔:</source>
        <translation>Delay between keys:</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="40"/>
        <source>貼り付けの後、クリップボードを元に戻す</source>
        <translation>Put the clipboard back after pasting</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="45"/>
        <source> 秒</source>
        <translation> s</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="46"/>
        <source>しない</source>
        <translation>Off</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="48"/>
        <source>同じバーコードを無視:</source>
        <translation>Ignore the same barcode for:</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="51"/>
        <source>スキャン履歴</source>
        <translation>Scan history</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="53"/>
        <source>CSVファイルに記録する</source>
        <translation>Record to a CSV file</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="55"/>
        <source>フォルダーを開く</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="60"/>
        <source>プログラム</source>
        <translation>Program</translation>
    </message>
    <message>
        <location filename="../OptionsDialog.cpp" line="63"/>
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
        <location filename="../Autostart.cpp" line="66"/>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <location filename="../Autostart.cpp" line="78"/>
        <source>%1 を削除できません</source>
        <translation>Cannot delete %1</translation>
    </message>
</context>
<context>
    <name>korvane::TrayIcon</name>
    <message>
        <location filename="../TrayIcon.cpp" line="29"/>
        <source>ウィンドウを表示</source>
        <translation>Show window</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="32"/>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="54"/>
        <source>KORVANE Server - 待ち受け中 (%1:%2)</source>
        <translation>KORVANE Server - listening (%1:%2)</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="57"/>
        <source>KORVANE Server - 待ち受け停止中</source>
        <translation>KORVANE Server - stopped</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="58"/>
        <source>待ち受け停止</source>
        <translation>Stop listening</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="58"/>
        <source>待ち受け開始</source>
        <translation>Start listening</translation>
    </message>
</context>
</TS>
