#!/usr/bin/env bash
# Installs the built program into a temporary prefix and checks what lands there (the program,
# its desktop entry and icon, the default sounds, read-me and FAQ), then starts the installed
# program as a menu would, in a fresh home without "-d": the settings go to the XDG folder,
# which gets the defaults, and the start-menu entries it writes are valid and point at real
# files. A second start in a directory set up by hand keeps it and never overwrites a file.
#   install-check.sh BUILD_DIR
set -euo pipefail
build="${1:?build directory}"
root="$(mktemp -d "${TMPDIR:-/tmp}/vorlo-install.XXXXXX")"
pid=""
cleanup() {
    if [ -n "$pid" ]; then kill -KILL "$pid" 2>/dev/null || true; fi
    rm -rf "$root"
}
trap cleanup EXIT
prefix="$root/prefix"

fail() { echo "FAIL: $*" >&2; exit 1; }
command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (package desktop-file-utils)"
valid() { desktop-file-validate "$1" || fail "desktop-file-validate rejects $1"; }
# key FILE KEY: the value of KEY in a desktop entry.
key() { sed -n "s/^$2=//p" "$1"; }

cmake --install "$build" --prefix "$prefix" >/dev/null

# What the installation holds.
[ -x "$prefix/bin/vorlo" ] || fail "bin/vorlo is not installed"
entry="$prefix/share/applications/vorlo.desktop"
[ -f "$entry" ] || fail "share/applications/vorlo.desktop is not installed"
valid "$entry"
[ "$(key "$entry" Type)" = Application ] || fail "not an application entry"
[ "$(key "$entry" Exec)" = vorlo ] || fail "Exec does not start vorlo"
[ "$(key "$entry" Icon)" = vorlo ] || fail "Icon is not vorlo"
icon="$prefix/share/icons/hicolor/scalable/apps/vorlo.svg"
[ -f "$icon" ] || fail "the icon is not installed"
grep -q '<svg' "$icon" || fail "the icon is no SVG picture"
share="$prefix/share/vorlo"
defaults=("Ding.wav" "Incoming Mail.wav" "readme.txt" "faq.txt")
for f in "${defaults[@]}"; do
    [ -s "$share/$f" ] || fail "share/vorlo/$f is not installed"
done
for f in "Ding.wav" "Incoming Mail.wav"; do
    [ "$(head -c 4 "$share/$f")" = RIFF ] && [ "$(tail -c +9 "$share/$f" | head -c 4)" = WAVE ] \
        || fail "share/vorlo/$f is no WAVE file"
done
# A short chime and a longer one (same format, so the sizes compare the lengths).
[ "$(stat -c %s "$share/Ding.wav")" -lt "$(stat -c %s "$share/Incoming Mail.wav")" ] \
    || fail "Ding.wav is not the shorter sound"

# wait_for SECONDS TEST...: until the test holds, at most SECONDS.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}
# run_until DIR TEST...: starts the installed program in DIR without "-d" (and "-addmenu"), waits
# for TEST, then ends it as the session would (SIGTERM runs the orderly exit).
run_until() {
    local dir="$1"
    shift
    (cd "$dir" && exec env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
        "$prefix/bin/vorlo" -addmenu >"$root/vorlo.log" 2>&1) &
    pid=$!
    wait_for 60 "$@" || { cat "$root/vorlo.log" >&2; fail "the installed program did not get to: $*"; }
    kill -TERM "$pid"
    wait_for 30 sh -c "! kill -0 $pid 2>/dev/null" || fail "the program did not end on SIGTERM"
    wait "$pid" || true
    pid=""
}

# A fresh home, started from the home folder as a menu does.
home="$root/home"
mkdir -p "$home"
settings="$home/.config/vorlo"
menu="$home/.local/share/applications/Vorlo"
run_until "$home" test -f "$menu/Vorlo FAQ.desktop" -a -f "$settings/vorlo.ini"
[ ! -e "$home/vorlo.ini" ] || fail "the settings landed in the home folder"
[ "$(stat -c %a "$settings")" = 700 ] || fail "$settings is not private"
for f in "${defaults[@]}"; do
    cmp -s "$share/$f" "$settings/$f" || fail "$f was not copied into the settings folder"
done
grep -qF "MailCountSound=$settings/Ding.wav" "$settings/vorlo.ini" || fail "the mail count sound is not the default"
for e in "$menu"/*.desktop; do valid "$e"; done
[ "$(key "$menu/Vorlo.desktop" Exec)" = "$prefix/bin/vorlo -prefs prefs.dat" ] \
    || fail "the menu entry does not run the installed program: $(key "$menu/Vorlo.desktop" Exec)"
[ "$(key "$menu/Vorlo.desktop" Path)" = "$settings" ] || fail "the menu entry does not run in the settings folder"
for doc in "Vorlo ReadMe:readme.txt" "Vorlo FAQ:faq.txt"; do
    url="$(key "$menu/${doc%%:*}.desktop" URL)"
    [ "$url" = "file://$settings/${doc#*:}" ] || fail "${doc%%:*} points at $url"
    [ -f "${url#file://}" ] || fail "${doc%%:*} points at no file"
done

# A directory set up by hand, with the user's own chime: it stays the settings directory.
own="$root/own"
mkdir -p "$own"
printf '[Main]\nECount=0\n' >"$own/vorlo.ini"
echo "the user's own sound" >"$own/Ding.wav"
run_until "$own" test -f "$own/faq.txt"
[ "$(cat "$own/Ding.wav")" = "the user's own sound" ] || fail "the user's Ding.wav was overwritten"
cmp -s "$share/Incoming Mail.wav" "$own/Incoming Mail.wav" || fail "a missing default was not copied"
grep -q '^MailCountSound=' "$own/vorlo.ini" || fail "the settings were not written back to the hand-made directory"

echo "installed and started: settings in \$XDG_CONFIG_HOME/vorlo with the defaults, valid menu entries"
