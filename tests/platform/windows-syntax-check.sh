#!/usr/bin/env bash
# Compiles every source file as the Windows build sees it (the windows/ platform folder instead
# of linux/) with the MinGW cross compiler, syntax only, against this machine's Qt headers, so a
# change that breaks the Windows build fails here. Needs the Linux build's generated headers
# (forms, moc output) and two jobs at most.
#   windows-syntax-check.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src="${1:?source directory}"
build="${2:?build directory}"
cxx="${VORLO_MINGW_CXX:-x86_64-w64-mingw32-g++}"
qt="${VORLO_QT_INCLUDE:-/usr/include/x86_64-linux-gnu/qt6}"

command -v "$cxx" >/dev/null || { echo "FAIL: $cxx is missing (Debian package g++-mingw-w64-x86-64)" >&2; exit 1; }
[ -d "$qt/QtCore" ] || { echo "FAIL: no Qt headers in $qt" >&2; exit 1; }

flags=(-fsyntax-only -std=c++20 -Wall -Wextra
    # What Qt's CMake packages define for a Windows target of these modules.
    -DUNICODE -D_UNICODE -DQT_NO_DEBUG -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_NETWORK_LIB
    -DQT_NETWORKAUTH_LIB -DQT_MULTIMEDIA_LIB '-DVORLO_VERSION="0"'
    -I "$src/src" -I "$src/tests")
# Qt's headers here are configured for Linux; as system headers their dllimport remarks stay quiet.
for module in "" QtCore QtGui QtWidgets QtNetwork QtNetworkAuth QtMultimedia; do
    flags+=(-isystem "$qt/$module")
done
# QCoro's headers are plain C++ over Qt: the same ones serve the Windows check.
qcoro="${VORLO_QCORO_INCLUDE:-/usr/include/qcoro6}"
flags+=(-isystem "$qcoro" -isystem "$qcoro/qcoro")
out="$(mktemp -d "${TMPDIR:-/tmp}/vorlo-mingw.XXXXXX")"
trap 'rm -rf "$out"' EXIT
# QtKeychain's headers, alone: their folder's parent is the Linux system's include folder.
keychain="${VORLO_KEYCHAIN_INCLUDE:-/usr/include/qt6keychain}"
[ -f "$keychain/keychain.h" ] || { echo "FAIL: no QtKeychain headers in $keychain" >&2; exit 1; }
mkdir "$out/include"
ln -s "$keychain" "$out/include/qt6keychain"
flags+=(-isystem "$out/include")
autogen=0
while IFS= read -r dir; do
    flags+=(-I "$dir")
    autogen=$((autogen + 1))
done < <(find "$build/src" -type d -path '*_autogen/include')
[ "$autogen" -gt 0 ] || { echo "FAIL: no generated headers under $build/src; build first" >&2; exit 1; }

export cxx out
export flags_line="$(printf '%q ' "${flags[@]}")"
# One compiler per file, two at a time; a file's messages go to its own log.
find "$src/src" -name '*.cpp' -not -path '*/platform/linux/*' | sort | xargs -P2 -I{} bash -c '
    f="$1"; log="$out/$(echo "$f" | tr / _).log"
    eval "flags=($flags_line)"
    if ! "$cxx" "${flags[@]}" "$f" >"$log" 2>&1; then echo "$f" >>"$out/failed"; fi' _ {}

files=$(find "$src/src" -name '*.cpp' -not -path '*/platform/linux/*' | wc -l)
if [ -s "$out/failed" ]; then
    while IFS= read -r f; do
        echo "=== $f"
        cat "$out/$(echo "$f" | tr / _).log"
    done <"$out/failed"
    echo "FAIL: $(wc -l <"$out/failed") of $files files do not compile for Windows" >&2
    exit 1
fi
cat "$out"/*.log
echo "all $files files compile for Windows"
