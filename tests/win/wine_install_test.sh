#!/usr/bin/env bash
# The Windows installer and portable zip under Wine, in the test run's prefix and X server: a
# silent per-user install with start at logon (programs, Start menu entry, uninstall entry, Run
# value), the installed korvane-host.exe listening on the settings in the user's folder and
# answering the phone simulator, the installed window program saving its settings there and not
# beside itself, then a silent uninstall that removes the programs, the entries and the Run value
# and keeps the user's settings; the zip holding the installed programs, which keep their settings
# beside themselves.
# Usage: wine_install_test.sh SETUP_EXE PORTABLE_ZIP DRIVER_EXE LINUX_PHONE
set -euo pipefail
setup=$1 zip=$2 driver=$3 phone=$4
here="$(cd "$(dirname "$0")" && pwd)"
wine_run="$here/../../scripts/wine-run"
[ -n "${DISPLAY:-}" ] || { echo "no X server: run under xvfb-run, as scripts/test does"; exit 1; }
[ -x "$phone" ] || { echo "no $phone: build the default preset first"; exit 1; }
# Wine would turn the Start menu entry into a launcher in the real user's desktop menus.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"

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
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
win_var() { "$wine_run" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
unix_path() { "$wine_run" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
reg_value() {  # reg_value KEY NAME: the value's data, or nothing
    "$wine_run" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
gone_within() {  # gone_within SECONDS PATH
    for _ in $(seq $(($1 * 5))); do [ -e "$2" ] || return 0; sleep 0.2; done
    return 1
}
# Answers the settings check once the host listens (it starts in a moment).
answers_within() {  # answers_within SECONDS PORT
    for _ in $(seq $(($1 * 2))); do
        "$phone" --port "$2" 101 >"$work/phone.out" 2>&1 && grep -q '^reply 101' "$work/phone.out" &&
            return 0
        sleep 0.5
    done
    return 1
}
settings_text() {  # settings_text PORT
    printf '[Setting]\r\nIpAddress=127.0.0.1\r\nPortNo=%s\r\n[Options]\r\nLanguage=ja\r\n' "$1"
    printf '[Devices]\r\nCount=1\r\nDevice1=PHONE 127.0.0.1 2026/01/02 03:04:05\r\n'
}

openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KORVANE Server'
install_dir_win="$(win_var LOCALAPPDATA)\\Programs\\KORVANE Server"
install_dir=$(unix_path "$install_dir_win")
user_folder=$(unix_path "$(win_var APPDATA)\\korvane-server")
start_menu=$(unix_path "$(win_var APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs")
# The prefix is shared with the other tests: a copy left by an earlier run goes first.
rm -rf "$install_dir" "$user_folder"
"$wine_run" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
"$wine_run" reg delete "$run_key" /v 'KORVANE Server' /f >/dev/null 2>&1 || true

# 1. A silent install for this user, starting at logon.
cp "$setup" "$work/setup.exe"
check "the silent install succeeds" "$wine_run" "$work/setup.exe" /S /LOGON
for f in korvane-server.exe korvane-host.exe uninstall.exe copyright.txt docs/guide.md docs/guide.ja.md; do
    check "installed: $f" test -f "$install_dir/$f"
done
check "the Start menu entry" test -f "$start_menu/KORVANE Server.lnk"
check "the uninstall entry names the program" \
    test "$(reg_value "$uninstall_key" DisplayName)" = 'KORVANE Server'
check "the uninstall entry runs the uninstaller" \
    test "$(reg_value "$uninstall_key" UninstallString)" = "\"$install_dir_win\\uninstall.exe\""
check "the uninstall entry has a quiet form" \
    test "$(reg_value "$uninstall_key" QuietUninstallString)" = "\"$install_dir_win\\uninstall.exe\" /S"
check "the Run value starts the window program" \
    test "$(reg_value "$run_key" 'KORVANE Server')" = "\"$install_dir_win\\korvane-server.exe\""

# 2. The installed host listens on the settings in the user's folder, not beside itself.
port=$(free_port)
mkdir -p "$user_folder"
settings_text "$port" >"$user_folder/korvane-server.ini"
"$wine_run" "$install_dir/korvane-host.exe" >"$work/host.out" 2>&1 &
host_pid=$!
pids+=($host_pid)
check "the installed host answers the phone on the user's settings" answers_within 30 "$port"
kill "$host_pid" 2>/dev/null || true
"$wine_run" taskkill /f /im korvane-host.exe >/dev/null 2>&1 || true
wait "$host_pid" 2>/dev/null || true

# The installed window saves its settings in the user's folder as the session ends.
"$wine_run" "$install_dir/korvane-server.exe" >"$work/server.out" 2>&1 &
server_pid=$!
pids+=($server_pid)
check "the installed window shows" "$wine_run" "$driver" wait-window 40
"$wine_run" "$driver" end-session >/dev/null 2>&1 || true
check "the window ends with the session" \
    timeout 20 bash -c "while kill -0 $server_pid 2>/dev/null; do sleep 0.2; done"
check "the settings are saved in the user's folder" grep -q '^Width=' "$user_folder/korvane-server.ini"
check "the approved phone is kept" grep -q '^Device1=PHONE ' "$user_folder/korvane-server.ini"
check "nothing is saved beside the installed program" \
    bash -c "! ls '$install_dir' | grep -q -e '\\.ini\$' -e '\\.png\$' -e '\\.txt\\.'"

# 3. A silent uninstall: programs, entries and Run value go, the user's settings stay. The
# uninstaller runs a copy of itself from the temporary folder and returns at once.
"$wine_run" "$install_dir/uninstall.exe" /S >/dev/null 2>&1 || true
check "the programs are removed" gone_within 60 "$install_dir"
check "the Start menu entry is removed" gone_within 10 "$start_menu/KORVANE Server.lnk"
check "the uninstall entry is removed" \
    bash -c "! '$wine_run' reg query '$uninstall_key' >/dev/null 2>&1"
check "the Run value is removed" test -z "$(reg_value "$run_key" 'KORVANE Server')"
check "the user's settings stay" grep -q '^Device1=PHONE ' "$user_folder/korvane-server.ini"

# 4. The zip: the same programs and papers in one folder, without an uninstaller; the portable
# copy keeps its settings beside itself.
python3 - "$zip" "$work" <<'PY' >"$work/zip.out"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for name in sorted(n for n in z.namelist() if not n.endswith("/")):
        print(name)
    z.extractall(sys.argv[2])
PY
for f in korvane-server.exe korvane-host.exe copyright.txt docs/guide.md docs/guide.ja.md \
    docs/images/main-window.en.png; do
    check "zipped: $f" grep -qxF "KORVANE Server/$f" "$work/zip.out"
done
check "no uninstaller in the zip" bash -c "! grep -q uninstall '$work/zip.out'"
portable="$work/KORVANE Server"
port=$(free_port)
settings_text "$port" >"$portable/korvane-server.ini"
"$wine_run" "$portable/korvane-host.exe" >"$work/portable.out" 2>&1 &
portable_pid=$!
pids+=($portable_pid)
check "the portable host answers the phone on the settings beside it" answers_within 30 "$port"
kill "$portable_pid" 2>/dev/null || true
"$wine_run" taskkill /f /im korvane-host.exe >/dev/null 2>&1 || true

rm -rf "$user_folder"
if [ "$failures" -gt 0 ]; then
    for f in host.out server.out phone.out portable.out zip.out; do
        echo "--- $f"; cat "$work/$f" 2>/dev/null || true
    done
    exit 1
fi
