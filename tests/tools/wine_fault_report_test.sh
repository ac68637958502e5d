#!/usr/bin/env bash
# korvane-host.exe under Wine, in the tests' copy that faults once it listens: the fault leaves a
# minidump and a short text report in "reports\new" beside the settings file, and the next start
# of korvane-host.exe says so once, the report then moved out of "new".
# Usage: wine_fault_report_test.sh CRASHING_HOST_EXE HOST_EXE
set -euo pipefail
crashing=$1 host=$2
here="$(cd "$(dirname "$0")" && pwd)"
wine_run="$here/../../scripts/wine-run"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check NAME CONDITION-COMMAND...
    local name=$1; shift
    if "$@"; then echo "PASS $name"; else echo "FAIL $name"; failures=$((failures + 1)); fi
}
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
# Wine's drive Z: is the Unix root. PortNo=abc: the later starts stop before listening.
settings="Z:${work//\//\\}\\korvane-server.ini"
printf '[Setting]\r\nPortNo=abc\r\n' >"$work/korvane-server.ini"

status=0
"$wine_run" "$crashing" --address 127.0.0.1 --port "$port" --settings "$settings" \
    >"$work/crash.out" 2>&1 || status=$?
# The process ends with the access violation's code, 0xC0000005: its low byte is 5.
check "the fault ends the process (status $status)" test "$status" = 5
dump=$(ls "$work"/reports/new/crash-*.dmp 2>/dev/null | head -1)
text=$(ls "$work"/reports/new/crash-*.txt 2>/dev/null | head -1)
check "a minidump is left" test -s "$dump"
# The dump's exception stream (type 6) holds the fault: MINIDUMP_EXCEPTION_STREAM's code.
dump_exception() {
    python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
signature, _, streams, directory = struct.unpack_from("<4sIII", data, 0)
assert signature == b"MDMP", signature
for i in range(streams):
    kind, _, rva = struct.unpack_from("<III", data, directory + 12 * i)
    if kind == 6:
        print("0x%08X" % struct.unpack_from("<I", data, rva + 8)[0])
PY
}
check "the minidump holds the access violation" \
    test "$(dump_exception "$dump" 2>/dev/null)" = 0xC0000005
check "a text report beside it" test "${dump%.dmp}.txt" = "$text"
check "the report names the program and its version" \
    grep -q '^KORVANE Server [0-9.]* (korvane-host)$' "$text"
check "the report says when, in UTC" grep -qE '^日時: [0-9]{4}/[0-9]{2}/[0-9]{2} [0-9:]{8} \(UTC\)$' "$text"
check "the report names the access violation" grep -q '^例外コード: 0xC0000005$' "$text"

"$wine_run" "$host" --settings "$settings" >"$work/next.out" 2>&1 || true
name=$(basename "$text")
check "the next start says that a report exists" \
    grep -qF "前回の実行で異常終了したときの報告があります: Z:${work//\//\\}\\reports\\$name" \
    "$work/next.out"
check "the report and its dump moved out of the unseen ones" \
    test -f "$work/reports/$name" -a -f "$work/reports/${name%.txt}.dmp" -a ! -e "$text"
"$wine_run" "$host" --settings "$settings" >"$work/after.out" 2>&1 || true
check "the start after says nothing of it" \
    bash -c "! grep -q '前回の実行で異常終了' '$work/after.out'"
if [ "$failures" -ne 0 ]; then
    for out in crash next after; do echo "--- $out"; cat "$work/$out.out" 2>/dev/null || true; done
    ls -lR "$work/reports" 2>/dev/null || true
fi
exit "$failures"
