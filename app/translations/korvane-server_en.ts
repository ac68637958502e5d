<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>korvane::MainWindow</name>
    <message>
        <location filename="../MainWindow.cpp" line="43"/>
        <source>待ち受け停止中</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="44"/>
        <source>待ち受け中</source>
        <translation>Listening</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="45"/>
        <source>ポート番号が不正です。</source>
        <translation>Invalid port number.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="47"/>
        <source>待ち受けを停止してください。</source>
        <translation>Please stop listening first.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="49"/>
        <source>プログラムを終了しますか？</source>
        <translation>Quit the program?</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="113"/>
        <source>前回のIPアドレス %1 はこのPCにありません。IPアドレスを選び直してください。</source>
        <translation>The IP address used last time, %1, is not on this PC any more. Please choose the IP address again.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="137"/>
        <source>アプリケーション情報</source>
        <translation>About</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="157"/>
        <source>設定</source>
        <translation>Settings</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="159"/>
        <source>IPアドレス:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="164"/>
        <source>ポート番号:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="168"/>
        <source>詳細設定...</source>
        <translation>Options...</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="170"/>
        <source>起動時に自動待ち受け開始</source>
        <translation>Start listening at startup</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="172"/>
        <source>待ち受け開始時に最小化</source>
        <translation>Minimize when listening starts</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="176"/>
        <source>Setting QR</source>
        <translation>Setting QR</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="181"/>
        <source>クリックすると大きく表示します</source>
        <translation>Click to show it large</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="228"/>
        <source>終了</source>
        <translation>Quit</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="249"/>
        <source>本プログラムを使った結果の損害などについて、開発者は、一切の責任を負わないものとします。</source>
        <translation>The developers accept no liability for any damage resulting from the use of this program.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="252"/>
        <source>このプログラムは、Androidアプリケーション[KORVANE]のサーバーサイドプログラムです。 [KORVANE]は、無線LANでPCに接続できるバーコードリーダーアプリケーションです。</source>
        <translation>This program is the server side of the Android application [KORVANE]. [KORVANE] is a barcode reader application that connects to a PC over wireless LAN.</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="257"/>
        <source>通信には[Mirovel]を利用しています。</source>
        <translation>Communication uses [Mirovel].</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="261"/>
        <source>このプログラムは、QRコードの描画に[ZXing]を利用しています。[ZXing]のライセンスは、Apache License Version2.0 (https://www.apache.org/licenses/LICENSE-2.0)です。</source>
        <translation>This program draws QR codes with [ZXing]. [ZXing] is licensed under the Apache License Version 2.0 (https://www.apache.org/licenses/LICENSE-2.0).</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="352"/>
        <source>&apos;&apos;%1&apos;&apos; は整数ではありません</source>
        <translation>&apos;&apos;%1&apos;&apos; is not an integer</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="529"/>
        <source>ログを書き出す</source>
        <translation>Export the log</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="530"/>
        <source>テキストファイル (*.txt);;すべてのファイル (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="305"/>
        <location filename="../MainWindow.cpp" line="532"/>
        <source>%1 に書き込めません</source>
        <translation>Cannot write to %1</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="538"/>
        <source>表示中のログを書き出す...</source>
        <translation>Export the shown log...</translation>
    </message>
    <message>
        <location filename="../MainWindow.cpp" line="539"/>
        <source>スキャン履歴のフォルダーを開く</source>
        <translation>Open the scan history folder</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="42"/>
        <source>待ち受け開始</source>
        <translation>Start listening</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="43"/>
        <source>待ち受け停止</source>
        <translation>Stop listening</translation>
    </message>
    <message>
        <location filename="../MainWindow.h" line="46"/>
        <source>既に起動されています。ご確認ください。</source>
        <translation>The program is already running. Please check.</translation>
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
        <location filename="../TrayIcon.cpp" line="53"/>
        <source>KORVANE Server - 待ち受け中 (%1:%2)</source>
        <translation>KORVANE Server - listening (%1:%2)</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="56"/>
        <source>KORVANE Server - 待ち受け停止中</source>
        <translation>KORVANE Server - stopped</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="57"/>
        <source>待ち受け停止</source>
        <translation>Stop listening</translation>
    </message>
    <message>
        <location filename="../TrayIcon.cpp" line="57"/>
        <source>待ち受け開始</source>
        <translation>Start listening</translation>
    </message>
</context>
</TS>
