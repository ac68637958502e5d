#!/usr/bin/env bash
# The headless KWin the KDE tests share, started and ended by ctest around them (a fixture).
#   kwin_session.sh start FOLDER PROGRAM...   starts it; FOLDER/session then holds what a client
#                                             needs, one NAME=value a line ("missing" when KWin is
#                                             not installed, and the tests skip)
#   kwin_session.sh stop FOLDER               ends it and removes FOLDER
# KWin gets a session bus of its own and a private XDG_DATA_HOME whose desktop files, one for
# each PROGRAM (absolute path), grant fake input, window management and ScreenShot2: the trust a
# user's installed desktop file gives the program, found by KWin the same way. KWin runs as the
# user that runs the tests: it reads a client's /proc/PID/exe to find its desktop file, which
# another user may not. The copy of the binary drops its file capability (cap_sys_resource),
# which a container's bounding set may lack.
set -euo pipefail
action=$1
folder=$2
shift 2

stop() {
    for pidfile in "$folder/kwin.pid" "$folder/bus.pid"; do
        if [ -s "$pidfile" ]; then
            kill "$(cat "$pidfile")" 2>/dev/null || true
        fi
    done
    # KWin's runtime folder goes once KWin has let go of its socket.
    for _ in $(seq 50); do
        [ -s "$folder/kwin.pid" ] && kill -0 "$(cat "$folder/kwin.pid")" 2>/dev/null || break
        sleep 0.1
    done
    rm -rf "$folder"
}

if [ "$action" = stop ]; then
    stop
    exit 0
fi

[ -d "$folder" ] && stop
mkdir -p "$folder"/run "$folder"/data/applications "$folder"/cache "$folder"/config
chmod 700 "$folder/run"
kwin=$(command -v kwin_wayland || true)
if [ -z "$kwin" ]; then
    echo missing > "$folder/session"
    exit 0
fi
cp "$kwin" "$folder/kwin_wayland"

for program in "$@"; do
    cat > "$folder/data/applications/$(basename "$program").desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=$(basename "$program")
Exec=$program
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input,org_kde_plasma_window_management
X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2
DESKTOP
done

dbus-daemon --session --fork --print-address=3 --print-pid=4 \
    3>"$folder/bus" 4>"$folder/bus.pid" </dev/null >/dev/null 2>&1
bus=$(head -n1 "$folder/bus")
socket=korvane-kwin-$$
started=$(date +%s%N)
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    XDG_RUNTIME_DIR="$folder/run" XDG_DATA_HOME="$folder/data" XDG_CACHE_HOME="$folder/cache" \
    XDG_CONFIG_HOME="$folder/config" HOME="$folder" DBUS_SESSION_BUS_ADDRESS="$bus" \
    setsid "$folder/kwin_wayland" --virtual --width 1280 --height 800 --socket "$socket" \
    --no-lockscreen --no-global-shortcuts --no-kactivities \
    </dev/null >"$folder/kwin.log" 2>&1 &
echo $! > "$folder/kwin.pid"

# Ready once its Wayland socket is there and its scripting answers on the bus.
for _ in $(seq 200); do
    if [ -S "$folder/run/$socket" ] &&
        DBUS_SESSION_BUS_ADDRESS="$bus" gdbus introspect --session -d org.kde.KWin -o /Scripting \
            >/dev/null 2>&1; then
        ready=$(date +%s%N)
        cat > "$folder/session" <<SESSION
XDG_RUNTIME_DIR=$folder/run
WAYLAND_DISPLAY=$socket
DBUS_SESSION_BUS_ADDRESS=$bus
SESSION
        echo "KWin ready after $(( (ready - started) / 1000000 )) ms"
        exit 0
    fi
    kill -0 "$(cat "$folder/kwin.pid")" 2>/dev/null || break
    sleep 0.1
done
echo "KWin did not start:" >&2
cat "$folder/kwin.log" >&2
exit 1
