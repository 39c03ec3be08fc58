# Shared by scripts/run, scripts/test and scripts/bench. Source it; do not run it.
# shellcheck shell=bash

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: the program needs neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

log() { printf '==> %s\n' "$*" >&2; }

# Installs the Debian packages that are missing; quick when all are there.
# Both architectures: the i686 compilers and Wine's 32-bit half (wine32:i386).
ensure_packages() {
    local wanted=(cmake make g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
                  binutils-mingw-w64-x86-64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
                  binutils-mingw-w64-i686 wine wine64 wine32:i386 fonts-wine xvfb googletest
                  fp-utils python3 "$@")
    local missing=()
    local p
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        log "installing: ${missing[*]}"
        if [ "$(id -u)" != 0 ]; then
            echo "run as root (or install: ${missing[*]})" >&2
            return 1
        fi
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            dpkg --add-architecture i386
        fi
        apt-get update -q >/dev/null
        # With the recommended packages: Wine needs its fonts and X extensions.
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}" >/dev/null
    fi
}

# configure_preset BUILD_DIR PRESET [cmake options...]: configures BUILD_DIR from a
# configure preset of CMakePresets.json (x64-debug, x86-release, ...). The output
# goes to BUILD_DIR/configure.log and is shown when CMake fails or warns.
configure_preset() {
    local dir=$1 preset=$2
    shift 2
    local launcher=()
    # Several work trees of the same sources build much the same objects.
    if command -v ccache >/dev/null; then
        export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$REPO")}
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    mkdir -p "$dir"
    local output="$dir/configure.log"
    if ! (cd "$REPO" && cmake --preset "$preset" -B "$dir" "${launcher[@]}" "$@") >"$output" 2>&1; then
        cat "$output" >&2
        log "configuring $dir (preset $preset) failed; the output above is in $output"
        return 1
    fi
    if grep -q '^CMake \(Warning\|Deprecation Warning\)' "$output"; then
        cat "$output" >&2
        log "configuring $dir (preset $preset) warned; the output above is in $output"
    fi
}

# configure_build BUILD_DIR PRESET [cmake options...] [-- cmake --build options...]
# Configures as above and builds (everything, or the targets after --target).
configure_build() {
    local dir=$1 preset=$2
    shift 2
    local options=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift
    configure_preset "$dir" "$preset" "${options[@]}"
    cmake --build "$dir" -j "$(nproc)" "$@"
}

# Starts a private Xvfb on a free display; sets DISPLAY and XVFB_PID.
start_xvfb() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
    done
    export DISPLAY=":$n"
}

stop_xvfb() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# objdump of the MinGW binutils for an architecture (x86 or x64).
mingw_objdump() {
    case $1 in
        x86) echo i686-w64-mingw32-objdump ;;
        *) echo x86_64-w64-mingw32-objdump ;;
    esac
}

# A prefix made before wine32 was installed lacks the 32-bit system files and
# fails every 32-bit program ("could not load kernel32.dll"), even after
# wineboot -u: such a prefix is made again.
ensure_prefix() {
    local prefix=${WINEPREFIX:?}
    if [ -f "$prefix/system.reg" ] && [ -d "$prefix/drive_c/windows" ] &&
        [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
        log "Wine prefix $prefix has no 32-bit half: making it again"
        wineserver -k </dev/null >/dev/null 2>&1 || true
        rm -rf "$prefix"
    fi
}

# One wineserver for the whole run, its stdio detached so that no pipe stays open.
start_wineserver() {
    ensure_prefix
    mkdir -p "$WINEPREFIX"
    wineserver -p </dev/null >/dev/null 2>&1 &
    wine wineboot </dev/null >/dev/null 2>&1 || true
}

stop_wineserver() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k </dev/null >/dev/null 2>&1 || true
}

# set_windows_version EXE_NAME VERSION: what the program's version query reports.
set_windows_version() {
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$1" /v Version /d "$2" /f \
        </dev/null >/dev/null 2>&1
}
