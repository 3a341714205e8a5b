#!/usr/bin/env bash
# Installs the built program into a temporary prefix and checks what lands there: the program,
# its desktop entry (naming the program and the icon) and the icon.
#   install-check.sh BUILD_DIR
set -euo pipefail
build="${1:?build directory}"
prefix="$(mktemp -d "${TMPDIR:-/tmp}/vorlo-install.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$prefix/bin/vorlo" ] || fail "bin/vorlo is not installed"
entry="$prefix/share/applications/vorlo.desktop"
[ -f "$entry" ] || fail "share/applications/vorlo.desktop is not installed"
grep -qx '\[Desktop Entry\]' "$entry" || fail "no [Desktop Entry] group"
grep -qx 'Type=Application' "$entry" || fail "not an application entry"
grep -qx 'Exec=vorlo' "$entry" || fail "Exec does not start vorlo"
grep -qx 'Icon=vorlo' "$entry" || fail "Icon is not vorlo"
icon="$prefix/share/icons/hicolor/scalable/apps/vorlo.svg"
[ -f "$icon" ] || fail "the icon is not installed"
grep -q '<svg' "$icon" || fail "the icon is no SVG picture"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
fi
echo "installed: bin/vorlo, share/applications/vorlo.desktop, share/icons/hicolor/scalable/apps/vorlo.svg"
