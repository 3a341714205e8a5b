#!/usr/bin/env bash
# Runs one command on a private virtual display with a window manager (openbox), a compositor
# (xcompmgr, for window opacity) and a tray host (trayer), and stops them afterwards.
#   xvfb-session.sh [--no-tray] [--size WxH] -- COMMAND [ARGS...]
# The display number is chosen by Xvfb itself, so sessions never collide. Exits 77 (a skipped
# test) when a needed program is missing; otherwise with the command's exit status.
# Every wait blocks on an event (the display number written by Xvfb, a root property set by
# the window manager) with a time-out; nothing polls.
set -uo pipefail

tray=1
size=1024x768
while [ $# -gt 0 ]; do
    case "$1" in
    --no-tray) tray=0; shift ;;
    --size) size="$2"; shift 2 ;;
    --) shift; break ;;
    *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--no-tray] [--size WxH] -- COMMAND..." >&2; exit 2; }

needed=(Xvfb openbox xcompmgr xprop)
[ "$tray" = 1 ] && needed+=(trayer)
for program in "${needed[@]}"; do
    if ! command -v "$program" >/dev/null; then
        echo "SKIP: $program is not installed (tools/packages.sh installs the test packages)" >&2
        exit 77
    fi
done

work="$(mktemp -d "${TMPDIR:-/tmp}/vorlo-xvfb.XXXXXX")"
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -br 3>"$work/displayfd" 2>"$work/xvfb.log" &
pids+=($!)
if ! read -r -t 20 number <"$work/displayfd"; then
    echo "Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$number"
# Programs under test use the plain X11 tray protocol, never a session bus's.
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$work/runtime" HOME="${HOME:-$work}"
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The window manager announces itself on the root window; wait for that property. (The whole
# root is watched: a spy on one property ends at once while its name is still unknown.)
coproc WMSPY { exec stdbuf -oL xprop -root -spy 2>/dev/null; }
spy_pid=$WMSPY_PID
pids+=("$spy_pid")
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
ready=0
while read -r -t 20 line <&"${WMSPY[0]}"; do
    case "$line" in
    _NET_SUPPORTING_WM_CHECK*"window id"*) ready=1; break ;;
    esac
done
kill "$spy_pid" 2>/dev/null
if [ "$ready" != 1 ]; then
    echo "openbox did not start:" >&2
    cat "$work/openbox.log" >&2
    exit 1
fi

xcompmgr >"$work/xcompmgr.log" 2>&1 &
pids+=($!)

if [ "$tray" = 1 ]; then
    # Started before the program under test, so the tray is there when the program asks.
    trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
        --SetDockType true --transparent false >"$work/trayer.log" 2>&1 &
    pids+=($!)
fi

"$@"
status=$?
exit $status
