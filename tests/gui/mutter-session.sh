#!/usr/bin/env bash
# Runs one command in a private Wayland session: the desktop's own compositor, headless, with
# XWayland for X11 clients.
#   mutter-session.sh -- COMMAND [ARGS...]
# The command sees WAYLAND_DISPLAY, XDG_SESSION_TYPE=wayland, DISPLAY and XAUTHORITY as a
# Wayland desktop sets them, and no QT_QPA_PLATFORM. Exits 77 (a skipped test) when mutter or
# Xwayland is missing. Every wait reads the compositor's log with a time-out; nothing polls.
set -uo pipefail
[ "${1:-}" = "--" ] && shift
[ $# -gt 0 ] || { echo "usage: $0 -- COMMAND..." >&2; exit 2; }

for program in mutter Xwayland dbus-run-session xdotool; do
    if ! command -v "$program" >/dev/null; then
        echo "SKIP: $program is not installed (tools/packages.sh installs the test packages)" >&2
        exit 77
    fi
done
# XWayland refuses a socket folder that is not world-writable with the sticky bit (as a
# fresh /tmp may get it when the compositor creates it itself).
if [ ! -d /tmp/.X11-unix ]; then
    mkdir -m 1777 /tmp/.X11-unix 2>/dev/null || true
fi
if [ -O /tmp/.X11-unix ] && [ "$(stat -c %a /tmp/.X11-unix)" != 1777 ]; then
    chmod 1777 /tmp/.X11-unix
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/vorlo-mutter.XXXXXX")"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS

mkfifo "$work/log"
# A session of its own, so the compositor, its bus and XWayland all end with one signal to
# the group (the bus runner leaves its child running when it is stopped).
setsid dbus-run-session -- mutter --headless --wayland --virtual-monitor 1024x768 >"$work/log" 2>&1 </dev/null &
session=$!
drain=""
cleanup() {
    kill -TERM -- "-$session" 2>/dev/null
    wait "$session" 2>/dev/null
    [ -n "$drain" ] && kill "$drain" 2>/dev/null && wait "$drain" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
exec 3<"$work/log"

display=""
wayland=""
while read -r -t 30 line <&3; do
    echo "$line" >>"$work/mutter.log"
    case "$line" in
    *"Using public X11 display :"*) display="${line##*display }"; display="${display%%,*}" ;;
    *"Using Wayland display name '"*) wayland="${line#*name \'}"; wayland="${wayland%\'*}" ;;
    esac
    [ -n "$display" ] && [ -n "$wayland" ] && break
done
if [ -z "$display" ] || [ -z "$wayland" ]; then
    echo "mutter did not start with XWayland:" >&2
    cat "$work/mutter.log" >&2
    exit 1
fi
# The rest of the log is drained so the compositor never blocks on a full pipe.
cat <&3 >>"$work/mutter.log" 2>/dev/null &
drain=$!
exec 3<&-
auth=("$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.*)
export DISPLAY="$display" XAUTHORITY="${auth[0]}" WAYLAND_DISPLAY="$wayland" XDG_SESSION_TYPE=wayland

"$@"
status=$?
exit $status
