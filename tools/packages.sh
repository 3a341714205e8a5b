# Sourced by tools/run, tools/test and tools/fuzz: installs the Debian packages that are missing.
# Usage: vorlo_install_missing pkg...

VORLO_BUILD_PACKAGES="g++ cmake ninja-build ccache pkg-config qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-networkauth-dev libgl-dev qcoro-qt6-dev qtkeychain-qt6-dev"
# What the program runs: xdg-mime and xdg-open find and start the mail program and the viewer;
# QtKeychain loads libsecret when it first talks to the keyring.
VORLO_RUN_PACKAGES="xdg-utils libsecret-1-0"
# The fuzz targets (tools/fuzz): clang with its libFuzzer and sanitizer runtimes.
VORLO_FUZZ_PACKAGES="clang libclang-rt-14-dev"
# What the tests need besides the build: a POP3 server, audio, a virtual display, the desktop
# entry validator and the MinGW compiler for the Windows syntax check, headless mutter with
# Xwayland for the Wayland session check, a keyring daemon for the keyring tests.
VORLO_TEST_PACKAGES="dovecot-pop3d openssl pulseaudio pulseaudio-utils sox xvfb xauth xdotool imagemagick x11-utils x11-apps trayer openbox xcompmgr iproute2 procps desktop-file-utils g++-mingw-w64-x86-64 mutter xwayland qt6-wayland dbus-daemon gnome-keyring"

vorlo_install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# vorlo_configure_and_build BUILD_DIR [CMAKE_ARGS...]; VORLO_BUILD_TARGET limits the build to one target.
vorlo_configure_and_build() {
    local build_dir="$1"
    shift
    local launcher=()
    # Rebuilds, and the three builds of a CI run, reuse what was compiled before.
    if command -v ccache >/dev/null 2>&1; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$VORLO_ROOT}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
    fi
    cmake -S "$VORLO_ROOT" -B "$build_dir" -G Ninja "${launcher[@]}" "$@"
    if [ -n "${VORLO_BUILD_TARGET:-}" ]; then
        cmake --build "$build_dir" --parallel "$(nproc)" --target "$VORLO_BUILD_TARGET"
    else
        cmake --build "$build_dir" --parallel "$(nproc)"
    fi
}
