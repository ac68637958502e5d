#!/usr/bin/env bash
# The Win32 desktop under Wine, on an X server and window manager of its own (Win32 programs take
# injected keys only once their top-level window is active): the desktop's own tests, then the
# whole road from the Linux phone simulator through korvane-host.exe into a Win32 EDIT of the
# tests' own and into Wine's notepad, then two copies of the host, then the host with its settings,
# capture and scan history in a Japanese folder under a code-page-932 session.
# Usage: wine_desktop_test.sh DESKTOP_TEST_EXE HOST_EXE EDIT_TARGET_EXE LINUX_PHONE
set -euo pipefail
desktop_test=$1 host=$2 target=$3 phone=$4
here="$(cd "$(dirname "$0")" && pwd)"
wine_run="$here/../../../scripts/wine-run"
[ -x "$phone" ] || { echo "no Linux phone simulator at $phone: build the default preset first"; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    "$wine_run" wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
failures=0
check() {  # check NAME CONDITION-COMMAND...
    local name=$1; shift
    if "$@"; then echo "PASS $name"; else echo "FAIL $name"; failures=$((failures + 1)); fi
}
wait_for() {  # wait_for FILE PATTERN: up to 20 s
    for _ in $(seq 100); do grep -q "$2" "$1" 2>/dev/null && return 0; sleep 0.2; done
    return 1
}
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# 1. Own window, capture beyond the screen's edge, PNG, a window that is gone.
check "Win32Desktop tests" "$wine_run" "$desktop_test" --gtest_filter='-EditTarget*'

# 2. The whole road into a Win32 EDIT of the tests' own.
"$wine_run" "$target" >"$work/target.out" 2>&1 &
target_pid=$!
pids+=($target_pid)
wait_for "$work/target.out" '^ready'
xdotool windowactivate --sync "$(xdotool search --sync --name 'korvane edit target' | head -1)"
port=$(free_port)
# The phone simulator's key is approved; Wine's drive Z: is the Unix root.
printf '[Devices]\r\nCount=1\r\nDevice1=PHONE 127.0.0.1 2026/01/02 03:04:05\r\n' >"$work/settings.ini"
"$wine_run" "$host" --address 127.0.0.1 --port "$port" --capture 'C:\korvane-test-capture.png' \
    --settings "Z:${work//\//\\}\\settings.ini" >"$work/host.out" 2>&1 &
host_pid=$!
pids+=($host_pid)
wait_for "$work/host.out" '待ち受けを開始しました。'
"$phone" --port "$port" --save "$work/shot.png" 102 ABC-123 1 1 0 >"$work/phone.out" 2>&1 || true
wait_for "$work/target.out" '^enter ' || true
check "phone gets the capture and the reply" \
    grep -qx "$(printf 'reply 102\t1')" "$work/phone.out"
# The EDIT reports its text when Enter reaches it: the barcode must be there already.
check "the EDIT holds the barcode when Enter arrives" grep -qx 'enter ABC-123' "$work/target.out"
check "the capture is a 320 x 240 picture with the field around the caret" \
    python3 "$here/check_capture.py" "$work/shot.png"
# A phone that is not approved is refused without a window to ask in, and nothing is typed.
"$phone" --port "$port" --key STRANGER 102 NOT-TYPED 1 1 0 >"$work/stranger.out" 2>&1 || true
check "an unapproved phone is refused" grep -qx "$(printf 'reply 102\t0')" "$work/stranger.out"
check "the host logs the refusal" grep -q '\[STRANGER\]\[127.0.0.1\]\[Client_Send\]未承認の端末からの要求です。' "$work/host.out"
check "nothing of it reaches the EDIT" bash -c "! grep -q NOT-TYPED '$work/target.out'"

# 3. Typed keys and the clipboard put back, into the same EDIT, active again. The tests read the
# target's report through Wine's drive Z:, the Unix root.
xdotool windowactivate --sync "$(xdotool search --sync --name 'korvane edit target' | head -1)"
sleep 0.5
check "typed keys and the clipboard put back (EditTarget tests)" \
    env KORVANE_EDIT_TARGET_LOG="Z:${work//\//\\}\\target.out" \
    "$wine_run" "$desktop_test" --gtest_filter='EditTarget*'

# 4. Wine's notepad, a program we did not write.
"$wine_run" notepad >/dev/null 2>&1 &
pids+=($!)
xdotool windowactivate --sync "$(xdotool search --sync --name 'Notepad' | head -1)"
sleep 0.5
"$phone" --port "$port" 102 NOTE-42 1 1 0 >"$work/phone2.out" 2>&1 || true
"$phone" --port "$port" 102 SECOND 1 0 0 >>"$work/phone2.out" 2>&1 || true
"$wine_run" "$target" --read Notepad >"$work/notepad.out" 2>&1 || true
check "notepad holds both barcodes, the first ended by Enter" \
    grep -q "$(printf 'text NOTE-42\r')" "$work/notepad.out"
check "notepad's second line" grep -q 'SECOND' "$work/notepad.out"

# 5. A second copy of the host in the same session is refused through the named mutex.
second_status=0
"$wine_run" "$host" --port "$(free_port)" >"$work/second.out" 2>&1 || second_status=$?
check "a second host copy ends with status 1" test "$second_status" = 1
check "a second host copy says why" grep -q '^既に起動されています。ご確認ください。' "$work/second.out"

# 6. A Japanese folder under a code-page-932 session (Wine takes its ANSI code page from the Unix
# locale, made here for this run): the host takes its address, port and options from the settings
# read there, and writes the capture and the scan history there.
kill "$host_pid" 2>/dev/null || true
wait "$host_pid" 2>/dev/null || true
mkdir -p "$work/locale" "$work/日本"
localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8" >/dev/null 2>&1 || true
ja=(env LOCPATH="$work/locale" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)
"${ja[@]}" "$wine_run" cmd /c chcp 2>/dev/null | iconv -f CP932 -t UTF-8 >"$work/chcp.out" 2>&1 || true
check "the session's ANSI code page is 932 (cmd answers in CP932)" grep -q '現在のコード' "$work/chcp.out"
ja_port=$(free_port)
ja_folder="Z:${work//\//\\}\\日本"
printf '[Setting]\r\nIpAddress=127.0.0.1\r\nPortNo=%s\r\n[Options]\r\nDuplicateSeconds=60\r\nScanHistory=1\r\n[Devices]\r\nCount=1\r\nDevice1=PHONE 127.0.0.1 2026/01/02 03:04:05\r\n' \
    "$ja_port" >"$work/日本/settings.ini"
"${ja[@]}" "$wine_run" "$host" --settings "$ja_folder\\settings.ini" --capture "$ja_folder\\cap.png" \
    >"$work/host-ja.out" 2>&1 &
host_pid=$!
pids+=($host_pid)
wait_for "$work/host-ja.out" '待ち受けを開始しました。' || true
# The EDIT in the same session's locale, as every program of a Windows PC is.
kill "$target_pid" 2>/dev/null || true
wait "$target_pid" 2>/dev/null || true
"${ja[@]}" "$wine_run" "$target" >"$work/target-ja.out" 2>&1 &
pids+=($!)
wait_for "$work/target-ja.out" '^ready'
xdotool windowactivate --sync "$(xdotool search --sync --name 'korvane edit target' | head -1)"
sleep 0.5
# The address and the port come from the settings alone: no --address, no --port.
"$phone" --port "$ja_port" --save "$work/shot-ja.png" 102 JA-1 1 1 0 >"$work/phone-ja.out" 2>&1 || true
wait_for "$work/target-ja.out" '^enter JA-1' || true
"$phone" --port "$ja_port" 102 JA-1 1 1 0 >>"$work/phone-ja.out" 2>&1 || true
check "the host listens where the settings in 日本 say and types the barcode" \
    grep -qx 'enter JA-1' "$work/target-ja.out"
check "both requests are answered with the capture" \
    test "$(grep -cx "$(printf 'reply 102\t1')" "$work/phone-ja.out")" = 2
check "the settings' duplicate window skips the second" \
    grep -q '\[Client_Skip\]重複スキャンのため入力しませんでした:JA-1' "$work/host-ja.out"
check "the capture is written in 日本" test -s "$work/日本/cap.png"
check "the scan history is written in 日本" \
    bash -c "grep -q 'JA-1.*typed' '$work/日本/history/korvane-scans.csv' &&
             grep -q 'JA-1.*skipped: duplicate' '$work/日本/history/korvane-scans.csv'"

if [ "$failures" -gt 0 ]; then
    for f in target.out host.out phone.out stranger.out phone2.out notepad.out second.out chcp.out \
        target-ja.out host-ja.out phone-ja.out; do
        echo "--- $f"; cat "$work/$f" 2>/dev/null || true
    done
    exit 1
fi
