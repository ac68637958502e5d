#!/usr/bin/env bash
# korvane-server.exe under Wine on the test run's X server (with openbox), driven from another
# process as a user's tools would (tests/win/window_driver.cpp: window messages), with the Linux
# phone simulator on loopback and the QR code read off the X screen by ZXing on Linux: the splash
# and the main window, its version resource and manifest, listening started and stopped with its
# button and shown in the status, the log list and the QR code (small and large), a phone's
# settings check in the log, a barcode from an approved phone typed into Wine's notepad and a
# stranger refused, phones listed for approval and answered there (for good, this run, refused)
# without the focus leaving notepad, a phone approved by scanning the approval code's QR code,
# the approved phones' dialog, an option chosen in the options dialog, a clicked line in the detail box, the close rules, a second copy refused, the
# settings written at the end, the window in English with the automatic start, and the session's
# end.
# Usage: wine_window_test.sh SERVER_EXE DRIVER_EXE LINUX_PHONE LINUX_SCREEN_QR EDIT_READER_EXE
set -euo pipefail
server=$1 driver=$2 phone=$3 screen_qr=$4 edit_reader=$5
here="$(cd "$(dirname "$0")" && pwd)"
wine_run="$here/../../scripts/wine-run"
[ -n "${DISPLAY:-}" ] || { echo "no X server: run under xvfb-run, as scripts/test does"; exit 1; }
for tool in "$phone" "$screen_qr"; do
    [ -x "$tool" ] || { echo "no $tool: build the default preset first"; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    WINEPREFIX="${WINEPREFIX:-$here/../../build/windows/wineprefix}" wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
check() {  # check NAME CONDITION-COMMAND...
    local name=$1; shift
    if "$@"; then echo "PASS $name"; else echo "FAIL $name"; failures=$((failures + 1)); fi
}
drive() { "$wine_run" "$driver" "$@"; }
expect() { local expected=$1; shift; same_out "$expected" "$@"; }
same_out() {
    local expected=$1; shift
    local got
    got=$("$@" 2>/dev/null | tr -d '\r') || true
    [ "$got" = "$expected" ] && return 0
    echo "    expected '$expected', got '$got'"
    return 1
}
contains() {  # contains TEXT COMMAND...
    local text=$1; shift
    local got
    got=$("$@" 2>/dev/null | tr -d '\r') || true
    [[ "$got" == *"$text"* ]] && return 0
    echo "    '$got' lacks '$text'"
    return 1
}
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# A window manager, as a desktop has: without one Wine waits for each closed window's unmapping.
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# Windows' Japanese interface fonts are Noto Sans CJK JP in the test prefix.
for face in 'Yu Gothic UI' 'Meiryo UI'; do
    "$wine_run" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" \
        /d 'Noto Sans CJK JP' /f >/dev/null 2>&1
done

# The program keeps its settings and capture beside itself: a copy of its own in the work folder.
cp "$server" "$work/korvane-server.exe"
port=$(free_port)
# The phone simulator's key is approved.
printf '[Setting]\r\nIpAddress=127.0.0.1\r\nPortNo=%s\r\n[Options]\r\nLanguage=ja\r\n' "$port" \
    >"$work/korvane-server.ini"
printf '[Devices]\r\nCount=1\r\nDevice1=PHONE 127.0.0.1 2026/01/02 03:04:05\r\n' \
    >>"$work/korvane-server.ini"

# 1. The splash, then the main window, stopped; the driver watches from before the start.
drive wait-start 40 >"$work/start.out" 2>&1 &
start_pid=$!
pids+=($start_pid)
for _ in $(seq 100); do grep -q '^ready' "$work/start.out" 2>/dev/null && break; sleep 0.1; done
"$wine_run" "$work/korvane-server.exe" >"$work/server.out" 2>&1 &
server_pid=$!
pids+=($server_pid)
start_status=0
wait "$start_pid" || start_status=$?
check "the splash shows, then the main window" test "$start_status" = 0
echo "start times: $(tr -d '\r' <"$work/start.out" | tr '\n' ' ')(ms; the splash shows 3 s)"
check "the title names the version" contains 'KORVANE Server Ver' drive title
version=$(drive title | tr -d '\r' | sed 's/^KORVANE Server Ver//')
drive file-info "Z:${work//\//\\}\\korvane-server.exe" >"$work/file-info.out" 2>&1 || true
check "the version resource is the title's version" grep -qx "version $version" <(tr -d '\r' <"$work/file-info.out")
check "the manifest asks for no elevation" grep -q 'level="asInvoker"' "$work/file-info.out"
check "the manifest takes common controls 6" grep -q 'Common-Controls" version="6.0.0.0"' "$work/file-info.out"
check "the manifest is aware of each monitor's DPI" grep -q 'PerMonitorV2' "$work/file-info.out"
check "status: stopped" expect '待ち受け停止中' drive text 130
check "button: start listening" expect '待ち受け開始' drive text 140
check "the port of the settings" expect "$port" drive text 114
check "the saved address is selected" contains '127.0.0.1' drive text 112
check "the settings can be changed while stopped" expect 1 drive enabled 114

# 2. Listening starts with the button: status, button, settings locked, the log says so.
drive click 140
check "status: listening" drive wait-text 130 '待ち受け中' 10
check "button: stop listening" expect '待ち受け停止' drive text 140
check "the port is locked while listening" expect 0 drive enabled 114
check "the address is locked while listening" expect 0 drive enabled 112
check "quitting is locked while listening" expect 0 drive enabled 142
check "the log says listening started" drive wait-log '待ち受けを開始しました。' 10

# 3. A phone's settings check reaches the window's log.
"$phone" --port "$port" 101 >"$work/phone.out" 2>&1 || true
check "the phone gets the settings check's reply" grep -q '^reply 101' "$work/phone.out"
check "the log list shows the settings check" drive wait-log '設定確認要求:' 10
check "the newest line is on top" contains '設定確認応答:' drive log-row 0

# 4. The whole road: the phone's barcode typed into Wine's notepad, a stranger refused.
"$wine_run" notepad >/dev/null 2>&1 &
pids+=($!)
xdotool windowactivate --sync "$(xdotool search --sync --name 'Notepad' | head -1)"
sleep 0.5
"$phone" --port "$port" 102 NOTE-42 1 1 0 >"$work/phone2.out" 2>&1 || true
"$phone" --port "$port" --key STRANGER 102 NOT-TYPED 1 0 0 >>"$work/phone2.out" 2>&1 || true
check "the phone's barcode is typed" grep -qx "$(printf 'reply 102\t1')" "$work/phone2.out"
check "the stranger is refused" grep -qx "$(printf 'reply 102\t0')" "$work/phone2.out"
check "the log list shows the barcode" drive wait-log "$(printf 'バーコード送信要求:102\tNOTE-42')" 10
check "the log list shows the refusal" drive wait-log '[STRANGER][127.0.0.1][Client_Send]未承認の端末からの要求です。' 10
"$wine_run" "$edit_reader" --read Notepad >"$work/notepad.out" 2>&1 || true
check "notepad holds the barcode and its Enter" grep -q "$(printf 'text NOTE-42\r')" "$work/notepad.out"
check "nothing of the stranger reaches notepad" bash -c "! grep -q NOT-TYPED '$work/notepad.out'"
# 4b. An unknown phone's barcode is refused and lists it among the phones waiting for approval,
# shown without the focus leaving notepad: 今回のみ許可 approves the stranger for this run only,
# 許可 a new phone for good, and each one's next barcode is typed.
check "the stranger's barcode lists it" drive --approval wait-window 10
check "the list names the phone" drive --approval wait-row 172 STRANGER 5
check "notepad keeps the keyboard while the list shows" contains 'Notepad' drive foreground
drive --approval click 174
check "the answered list hides" drive --approval wait-gone 10
"$phone" --port "$port" --key STRANGER 102 THIS-RUN 1 1 0 >"$work/phone4.out" 2>&1 || true
check "the phone approved for this run has its barcode typed" grep -qx "$(printf 'reply 102\t1')" "$work/phone4.out"
"$phone" --port "$port" --key NEWPHONE 101 >"$work/phone3.out" 2>&1 || true
"$phone" --port "$port" --key NEWPHONE 102 NEW-7 1 1 0 >>"$work/phone3.out" 2>&1 || true
check "the new phone's first barcode is refused" grep -qx "$(printf 'reply 102\t0')" "$work/phone3.out"
check "the new phone is listed" drive --approval wait-row 172 NEWPHONE 10
drive --approval click 173
check "許可 empties the list" drive --approval wait-gone 10
check "notepad keeps the keyboard after the answer" contains 'Notepad' drive foreground
"$phone" --port "$port" --key NEWPHONE 102 NEW-7 1 1 0 >>"$work/phone3.out" 2>&1 || true
check "the approved phone's barcode is typed" grep -qx "$(printf 'reply 102\t1')" <(tail -n 1 "$work/phone3.out")
"$wine_run" "$edit_reader" --read Notepad >"$work/notepad.out" 2>&1 || true
check "notepad holds the new phone's barcode" grep -q 'NEW-7' "$work/notepad.out"

# 4c. The list's button shows the approval code, without the focus leaving notepad: its QR code
# read off the screen is the code, and the phone that scans it is approved (it leaves the list).
"$phone" --port "$port" --key CODEPHONE 102 NOT-YET 1 0 0 >"$work/phone5.out" 2>&1 || true
check "the third phone is listed" drive --approval wait-row 172 CODEPHONE 10
drive --approval click 176
check "the list's button shows the approval code" drive --code wait-window 10
check "notepad keeps the keyboard while the code shows" contains 'Notepad' drive foreground
check "the code's time left is shown" contains '有効期限まで残り' drive --code text 184
code=$(drive --code text 183 | tr -d '\r')
# shellcheck disable=SC2046  # the rectangle is four numbers
check "the code's QR code on the screen reads as the code" \
    same_out "$code" "$screen_qr" $(drive --code screen-rect 181 | tr -d '\r')
"$phone" --port "$port" --key CODEPHONE 102 "$code" 1 1 0 >>"$work/phone5.out" 2>&1 || true
check "the scanned code closes its window" drive --code wait-gone 10
check "the phone approved by the code leaves the list" drive --approval wait-gone 10
"$phone" --port "$port" --key CODEPHONE 102 CODE-9 1 1 0 >>"$work/phone5.out" 2>&1 || true
check "the phone approved by the code has its barcode typed" \
    grep -qx "$(printf 'reply 102\t1')" <(tail -n 1 "$work/phone5.out")
"$wine_run" "$edit_reader" --read Notepad >"$work/notepad.out" 2>&1 || true
check "notepad holds its barcode, not the code" bash -c "grep -q CODE-9 '$work/notepad.out' && ! grep -q '$code' '$work/notepad.out'"

# 4d. The approved phones' dialog, modal to the window, lists the phones approved for good; one
# removed there is listed again at its next request.
drive click 141
check "the devices button opens the approved phones" drive --devices wait-window 10
check "the main window waits for the dialog" expect 0 drive window-enabled
devices=$(for row in $(seq 0 $(($(drive --devices rows 190 | tr -d '\r') - 1))); do
    drive --devices row 190 "$row" | tr -d '\r'; done)
check "the dialog lists the phones approved for good" \
    bash -c "grep -qx PHONE <<<'$devices' && grep -qx NEWPHONE <<<'$devices' && ! grep -qx STRANGER <<<'$devices'"
phone_row=$(($(grep -nx PHONE <<<"$devices" | cut -d: -f1) - 1))
drive --devices select 190 "$phone_row"
drive --devices click 192
check "削除 takes the phone off the list" \
    expect "$(($(wc -l <<<"$devices") - 1))" drive --devices rows 190
drive --devices click 193
check "閉じる closes the dialog" drive --devices wait-gone 10
check "the main window takes input again" expect 1 drive window-enabled
"$phone" --port "$port" 102 NOT-TYPED-3 1 0 0 >"$work/phone6.out" 2>&1 || true
check "the removed phone's barcode is refused" grep -qx "$(printf 'reply 102\t0')" "$work/phone6.out"
check "the removed phone is listed again" drive --approval wait-row 172 PHONE 10
drive --approval click 173
check "approved again, it leaves the list" drive --approval wait-gone 10

# 4e. An option chosen in the options dialog reaches the handling and the settings: with the same
# barcode ignored for 30 seconds, the second of two is not typed.
drive click 115
check "the options button opens the options" drive --options wait-window 10
check "the main window waits for the options" expect 0 drive window-enabled
check "the options show the duplicate guard off" expect 0 drive --options text 204
drive --options set-text 204 30
drive --options click 1
check "OK closes the options" drive --options wait-gone 10
check "the main window takes input again after the options" expect 1 drive window-enabled
check "the chosen option is written" grep -q '^DuplicateSeconds=30' "$work/korvane-server.ini"
"$phone" --port "$port" --key NEWPHONE 102 DUP-5 1 1 0 >"$work/phone7.out" 2>&1 || true
"$phone" --port "$port" --key NEWPHONE 102 DUP-5 1 1 0 >>"$work/phone7.out" 2>&1 || true
"$wine_run" "$edit_reader" --read Notepad >"$work/notepad.out" 2>&1 || true
check "the same barcode again is not typed" expect 1 bash -c "grep -o DUP-5 '$work/notepad.out' | wc -l"

# 4f. 拒否 refuses the key and its address for this run: not listed again, nothing typed.
"$phone" --port "$port" --key REFUSED 102 NOT-TYPED-4 1 0 0 >"$work/phone8.out" 2>&1 || true
check "the last phone is listed" drive --approval wait-row 172 REFUSED 10
drive --approval click 175
check "拒否 empties the list" drive --approval wait-gone 10
"$phone" --port "$port" --key REFUSED 102 NOT-TYPED-4 1 0 0 >>"$work/phone8.out" 2>&1 || true
check "the refused phone's barcode is refused" grep -qx "$(printf 'reply 102\t0')" <(tail -n 1 "$work/phone8.out")
check "the refused phone is not listed again" bash -c "! '$wine_run' '$driver' --approval wait-window 2 >/dev/null 2>&1"

for row in $(seq 0 11); do drive log-row "$row"; done >"$work/log.out" 2>&1
# The window in front again, for what follows to be seen and clicked.
xdotool windowactivate --sync "$(xdotool search --sync --name 'KORVANE Server Ver' | head -1)"
sleep 0.5

# 5. The QR code as the X server shows it, read by ZXing.
# shellcheck disable=SC2046  # the rectangle is four numbers
check "the QR code on the screen reads as the connection payload" \
    same_out "$(printf 'ZRQ\t1\t127.0.0.1\t%s' "$port")" "$screen_qr" $(drive screen-rect 121 | tr -d '\r')

# The large QR code: a click on the small one opens it, a click on it closes it.
drive release 121
check "a click on the QR code opens the large one" drive --large wait-window 10
check "the large one's title" expect '接続用QRコード' drive --large title
check "the large one's caption" expect "127.0.0.1 : $port" drive --large text 151
# shellcheck disable=SC2046  # the rectangle is four numbers
check "the large QR code reads as the connection payload" \
    same_out "$(printf 'ZRQ\t1\t127.0.0.1\t%s' "$port")" "$screen_qr" $(drive --large screen-rect 150 | tr -d '\r')
drive --large release 150
check "a click on the large one closes it" drive --large wait-gone 10

# 6. A clicked line shows whole in the detail box.
read -r lx ly _ _ < <(drive screen-rect 131 | tr -d '\r')
xdotool mousemove $((lx + 40)) $((ly + 10)) click 1
sleep 0.5
newest=$(drive log-row 0 | tr -d '\r')
check "the clicked line is in the detail box" expect "$newest" drive text 132

# The log list's menu writes the log, oldest line first, into the file chosen in its dialog.
xdotool mousemove $((lx + 40)) $((ly + 10)) click 3
sleep 0.5
xdotool key Down Return
drive wait-box 10 >/dev/null || true
drive save-as "Z:${work//\//\\}\\exported.txt"
for _ in $(seq 50); do [ -s "$work/exported.txt" ] && break; sleep 0.2; done
check "the exported log ends with the newest line" \
    same_out "$newest" bash -c "tail -n 1 '$work/exported.txt'"
oldest=$(drive log-row $(($(drive log-count | tr -d '\r') - 1)) | tr -d '\r')
check "the exported log starts with the oldest line" \
    same_out "$oldest" bash -c "head -n 1 '$work/exported.txt'"

# 7. The close rules: not while listening; asked once stopped, No keeps the window.
drive close
check "closing while listening is refused" same_out '待ち受けを停止してください。' drive wait-box 10
drive answer 1
drive release 121
drive --large wait-window 10 || true
drive click 140
check "status: stopped again" drive wait-text 130 '待ち受け停止中' 10
check "the log says listening stopped" drive wait-log '待ち受けを終了しました。' 10
check "the large QR code closes when listening stops" drive --large wait-gone 10
check "the QR code is gone once stopped" bash -c "! '$screen_qr' $(drive screen-rect 121 | tr -d '\r') 2>/dev/null"

# 8. A second copy says it is already running and ends.
"$wine_run" "$work/korvane-server.exe" >"$work/second.out" 2>&1 &
second_pid=$!
pids+=($second_pid)
check "a second copy says the program runs already" \
    same_out '既に起動されています。ご確認ください。' drive wait-box 20 any
drive answer 1 any
check "the second copy ends" timeout 20 bash -c "while kill -0 $second_pid 2>/dev/null; do sleep 0.2; done"

drive close
check "closing asks first" same_out 'プログラムを終了しますか？' drive wait-box 10
drive answer 7
sleep 0.5
check "No keeps the window" drive wait-window 1
drive close
drive wait-box 10 >/dev/null
drive answer 6
check "Yes closes the window" drive wait-gone 10
check "the program ends" timeout 20 bash -c "while kill -0 $server_pid 2>/dev/null; do sleep 0.2; done"
check "the settings keep the window's place" grep -q '^Width=' "$work/korvane-server.ini"
check "the settings keep the port" grep -q "^PortNo=$port" "$work/korvane-server.ini"
check "the settings keep the phone approved for good" grep -q 'NEWPHONE 127.0.0.1 ' "$work/korvane-server.ini"
check "the settings keep no phone approved for this run" bash -c "! grep -q STRANGER '$work/korvane-server.ini'"

# 9. The same window in English, from the Qt window's translation, starting to listen by itself
# and minimising as it does.
sed -i -e 's/^Language=ja/Language=en/' -e 's/^AutoStart=0/AutoStart=1/' -e 's/^Minimize=0/Minimize=1/' \
    "$work/korvane-server.ini"
"$wine_run" "$work/korvane-server.exe" >"$work/english.out" 2>&1 &
english_pid=$!
pids+=($english_pid)
check "the English window shows" drive wait-window 30
check "the automatic start listens" drive wait-text 130 'Listening' 10
check "English button" expect 'Stop listening' drive text 140
check "the window is minimised as listening starts" expect 1 drive iconic
check "English about box" expect 'About' drive text 100
check "English check box, checked" expect 'Start listening at startup' drive text 116
check "the automatic start's box is checked" expect 1 drive checked 116
drive click 140
check "English status" drive wait-text 130 'Stopped' 10
drive close
check "English close question" same_out 'Quit the program?' drive wait-box 10
drive answer 7

# 10. The session's end closes the window at once, listening or not, and the settings are kept.
drive click 140
drive wait-text 130 'Listening' 10 >/dev/null
drive end-session
check "the session's end closes the window without asking" drive wait-gone 10
check "no box was asked" bash -c "! '$wine_run' '$driver' wait-box 1 any >/dev/null 2>&1"
check "the program ends with the session" timeout 20 bash -c "while kill -0 $english_pid 2>/dev/null; do sleep 0.2; done"
check "the settings were written" grep -q '^Minimize=1' "$work/korvane-server.ini"

if [ "$failures" -gt 0 ]; then
    for f in server.out second.out english.out phone.out phone2.out phone3.out phone4.out phone5.out phone6.out phone7.out phone8.out notepad.out log.out korvane-server.ini; do
        echo "--- $f"; cat "$work/$f" 2>/dev/null || true
    done
    exit 1
fi
