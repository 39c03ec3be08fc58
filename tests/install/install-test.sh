#!/usr/bin/env bash
# Installs dist/'s setup silently into a fresh Wine prefix, checks what it put
# there, uninstalls it silently and checks that only the restore lists remain;
# then unpacks each portable zip and starts the program from it.
# Needs DISPLAY; with QUILLANE_SCREENS set it saves screenshots there.
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib.sh"

DIST=${1:-$REPO/dist}
VERSION=$(sed -n 's/^project(Quillane VERSION \([0-9.]*\).*/\1/p' "$REPO/CMakeLists.txt")
SETUP="$DIST/Quillane-$VERSION-setup.exe"
export WINEPREFIX="$REPO/.wine/install"
failures=()
fail() {
    failures+=("$1")
    printf 'FAIL: %s\n' "$1" >&2
}
check() { # check NAME COMMAND...
    local name=$1
    shift
    if "$@"; then printf 'ok: %s\n' "$name"; else fail "$name"; fi
}
# reg_value KEY NAME: the data of one value of the native (64-bit) registry view.
reg_value() {
    local args=(/v "$2")
    [ -z "$2" ] && args=(/ve)
    wine reg query "$1" "${args[@]}" /reg:64 </dev/null 2>/dev/null | tr -d '\r' |
        sed -n 's/^    [^ ].*    REG_[A-Z_]*    //p' | head -n 1
}
key_exists() { wine reg query "$1" /reg:64 </dev/null >/dev/null 2>&1; }
# wait_window TITLE SECONDS: true once an X window of that exact title shows.
wait_window() {
    local i
    for i in $(seq 1 $(($2 * 4))); do
        xwininfo -root -tree 2>/dev/null | grep -q "\"$1\"" && return 0
        sleep 0.25
    done
    return 1
}
# run_program DIR EXE NAME: starts the program and checks that its window appears.
run_program() {
    (cd "$1" && wine "$2" </dev/null >/dev/null 2>&1) &
    local pid=$!
    check "$3: window appears" wait_window Quillane 60
    wineserver -k </dev/null >/dev/null 2>&1
    wait "$pid" 2>/dev/null
}
shot() { # shot NAME SECONDS COMMAND...: a virtual desktop, so that windows have frames
    local name=$1 secs=$2
    shift 2
    wine explorer /desktop=Shot,800x600 "$@" </dev/null >/dev/null 2>&1 &
    local pid=$!
    sleep "$secs"
    import -display "$DISPLAY" -window root -crop 800x600+0+0 "$QUILLANE_SCREENS/$name.png" &&
        log "screenshot: $QUILLANE_SCREENS/$name.png"
    wineserver -k </dev/null >/dev/null 2>&1
    wait "$pid" 2>/dev/null
}

[ -f "$SETUP" ] || { echo "no $SETUP: run scripts/package" >&2; exit 1; }
# A prefix made before the 32-bit loader was installed cannot run the setup: start afresh.
wineserver -k </dev/null >/dev/null 2>&1
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
log "fresh Wine prefix $WINEPREFIX"
wine wineboot -i </dev/null >/dev/null 2>&1
set_windows_version quillane.exe winxp

c="$WINEPREFIX/drive_c"
INSTDIR="$c/Program Files/Quillane"
WININST='C:\Program Files\Quillane'
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillane'
VERB_KEY='HKLM\Software\Classes\Directory\shell\Quillane'
LNK="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillane.lnk"

if [ -n "${QUILLANE_SCREENS:-}" ]; then
    mkdir -p "$QUILLANE_SCREENS"
    shot setup-first-page 6 "$(winepath -w "$SETUP")"
fi

start=$(date +%s%3N)
wine "$SETUP" /S </dev/null >/dev/null 2>&1
check "setup /S ends with 0" test $? -eq 0
log "silent install took $(($(date +%s%3N) - start)) ms"

FILES=(quillane.exe Help.chm README.txt uninstall.exe Icons/Feather.ico Icons/Folder.ico
       Icons/QuillaneIcons.dll Backgrounds/Dusk.gif Backgrounds/Meadow.jpg Backgrounds/Tiles.bmp)
for f in "${FILES[@]}"; do
    check "installed $f" test -s "$INSTDIR/$f"
done
check "the 64-bit build is installed" bash -c "file '$INSTDIR/quillane.exe' | grep -q x86-64"
check "same exe as the x64 zip" bash -c \
    "unzip -p '$DIST/Quillane-$VERSION-x64.zip' Quillane/quillane.exe | cmp -s - '$INSTDIR/quillane.exe'"
check "the Start menu shortcut" test -s "$LNK"
check "the shortcut points at the program" grep -aq 'Quillane\\quillane.exe' "$LNK"

expect() { # expect KEY NAME DATA
    local got
    got=$(reg_value "$1" "$2")
    if [ "$got" = "$3" ]; then printf 'ok: %s %s = %s\n' "${1##*\\}" "${2:-(default)}" "$got"
    else fail "${1##*\\} ${2:-(default)}: expected [$3], got [$got]"; fi
}
expect "$UNINSTALL_KEY" DisplayName Quillane
expect "$UNINSTALL_KEY" DisplayVersion "$VERSION"
expect "$UNINSTALL_KEY" Publisher Pelwick
expect "$UNINSTALL_KEY" DisplayIcon "$WININST\\quillane.exe,0"
expect "$UNINSTALL_KEY" UninstallString "\"$WININST\\uninstall.exe\""
expect "$UNINSTALL_KEY" QuietUninstallString "\"$WININST\\uninstall.exe\" /S"
expect "$UNINSTALL_KEY" InstallLocation "$WININST"
expect "$UNINSTALL_KEY" NoModify 0x1
expect "$UNINSTALL_KEY" NoRepair 0x1
size=$(reg_value "$UNINSTALL_KEY" EstimatedSize)
kb=$(du -sk --apparent-size "$INSTDIR" | cut -f1)
check "EstimatedSize $size near the folder's $kb KB" \
    test $((${size:-0})) -gt $((kb / 2)) -a $((${size:-0})) -le $((kb * 2))
expect "$VERB_KEY" "" "Customize with Quillane"
expect "$VERB_KEY" Icon "$WININST\\quillane.exe,0"
expect "$VERB_KEY\\command" "" "\"$WININST\\quillane.exe\" \"%1\""

rc=$(x86_64-w64-mingw32-windres -i "$INSTDIR/quillane.exe" -O rc 2>/dev/null)
for v in '"CompanyName", "Pelwick"' '"FileDescription", "Quillane"' '"ProductName", "Quillane"' \
         "\"FileVersion\", \"$VERSION.0\"" "\"ProductVersion\", \"$VERSION.0\"" '"LegalCopyright"'; do
    check "version resource $v" grep -qF "$v" <<<"$rc"
done

run_program "$INSTDIR" quillane.exe "installed program"
# As the Explorer verb starts it: the folder box holds the folder afterwards.
if [ -n "${QUILLANE_PROBE:-}" ]; then
    mkdir -p "$WINEPREFIX/drive_c/Verb test folder"
    (cd "$INSTDIR" && wine "$WININST\\quillane.exe" 'C:\Verb test folder\' \
        </dev/null >/dev/null 2>&1) &
    verb_pid=$!
    shown=$(wine "$(winepath -w "$QUILLANE_PROBE" 2>/dev/null)" 301 60 </dev/null 2>/dev/null |
        tr -d '\r')
    check "installed program takes a folder argument (got [$shown])" \
        test "$shown" = 'C:\Verb test folder'
    wineserver -k </dev/null >/dev/null 2>&1
    wait "$verb_pid" 2>/dev/null
fi
if [ -n "${QUILLANE_SCREENS:-}" ]; then
    shot installed-program 8 "$WININST\\quillane.exe"
fi

# The restore lists the program may have written must survive the uninstall.
local_app_data=$(wine cmd /c 'echo %LOCALAPPDATA%' </dev/null 2>/dev/null | tr -d '\r')
local_app_data=$(winepath -u "$local_app_data" 2>/dev/null)
case $local_app_data in
"$WINEPREFIX"/*) ;;
*) echo "no local application data folder in the prefix: [$local_app_data]" >&2; exit 1 ;;
esac
LOCAL_LIST="$local_app_data/Quillane/Fldr.dll"
mkdir -p "$(dirname "$LOCAL_LIST")"
printf 'C:\\kept one\r\n' >"$LOCAL_LIST"
printf 'C:\\kept two\r\n' >"$INSTDIR/Fldr.dll"

start=$(date +%s%3N)
wine "$INSTDIR/uninstall.exe" /S </dev/null >/dev/null 2>&1
# The uninstaller runs on from a copy of itself: wait for its work.
for i in $(seq 1 120); do
    [ ! -e "$INSTDIR/uninstall.exe" ] && ! key_exists "$UNINSTALL_KEY" && break
    sleep 0.25
done
log "silent uninstall took $(($(date +%s%3N) - start)) ms"
timeout 60 wineserver -w </dev/null >/dev/null 2>&1
for f in "${FILES[@]}"; do
    check "removed $f" test ! -e "$INSTDIR/$f"
done
check "removed Icons/" test ! -e "$INSTDIR/Icons"
check "removed Backgrounds/" test ! -e "$INSTDIR/Backgrounds"
check "removed the shortcut" test ! -e "$LNK"
check "removed the uninstall key" bash -c "! wine reg query '$UNINSTALL_KEY' /reg:64 </dev/null >/dev/null 2>&1"
check "removed the verb" bash -c "! wine reg query '$VERB_KEY' /reg:64 </dev/null >/dev/null 2>&1"
check "kept the restore list in the local application data" \
    bash -c "printf 'C:\\\\kept one\\r\\n' | cmp -s - '$LOCAL_LIST'"
check "kept the restore list in the program folder" \
    bash -c "printf 'C:\\\\kept two\\r\\n' | cmp -s - '$INSTDIR/Fldr.dll'"
check "the program folder holds nothing else" \
    test "$(ls -A "$INSTDIR" 2>/dev/null)" = Fldr.dll

# A folder of the user's choice.
wine "$SETUP" /S '/D=C:\Tools\Quillane' </dev/null >/dev/null 2>&1
check "/D= installs into C:\Tools\Quillane" test -s "$c/Tools/Quillane/quillane.exe"
expect "$UNINSTALL_KEY" InstallLocation 'C:\Tools\Quillane'
wine "$c/Tools/Quillane/uninstall.exe" /S </dev/null >/dev/null 2>&1
for i in $(seq 1 120); do
    ! key_exists "$UNINSTALL_KEY" && break
    sleep 0.25
done
timeout 60 wineserver -w </dev/null >/dev/null 2>&1
check "/D= install removed" test ! -e "$c/Tools/Quillane"

# 32-bit Windows gets the x86 build: a 32-bit prefix of its own.
wineserver -k </dev/null >/dev/null 2>&1
WINEPREFIX64=$WINEPREFIX
export WINEPREFIX="$REPO/.wine/install32"
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
WINEARCH=win32 wine wineboot -i </dev/null >/dev/null 2>&1
wine "$SETUP" /S </dev/null >/dev/null 2>&1
exe32="$WINEPREFIX/drive_c/Program Files/Quillane/quillane.exe"
check "32-bit Windows: the x86 build in Program Files" \
    bash -c "file '$exe32' | grep -q 'PE32 executable.*80386'"
got=$(wine reg query "$VERB_KEY\\command" /ve </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^    [^ ].*    REG_SZ    //p')
check "32-bit Windows: the verb" test "$got" = "\"$WININST\\quillane.exe\" \"%1\""
wine "$WINEPREFIX/drive_c/Program Files/Quillane/uninstall.exe" /S </dev/null >/dev/null 2>&1
for i in $(seq 1 120); do
    [ ! -e "$exe32" ] && break
    sleep 0.25
done
timeout 60 wineserver -w </dev/null >/dev/null 2>&1
check "32-bit Windows: uninstalled" test ! -e "$WINEPREFIX/drive_c/Program Files/Quillane"
wineserver -k </dev/null >/dev/null 2>&1
export WINEPREFIX=$WINEPREFIX64

for arch in x86 x64; do
    dir="$REPO/build/install-test/$arch"
    rm -rf "$dir"
    mkdir -p "$dir"
    check "unpack the $arch zip" unzip -q "$DIST/Quillane-$VERSION-$arch.zip" -d "$dir"
    for f in quillane.exe Help.chm README.txt Icons/QuillaneIcons.dll Backgrounds/Tiles.bmp; do
        check "$arch zip holds $f" test -s "$dir/Quillane/$f"
    done
    run_program "$dir/Quillane" quillane.exe "$arch zip"
done

wineserver -k </dev/null >/dev/null 2>&1
if [ ${#failures[@]} -gt 0 ]; then
    printf '%d install checks failed:\n' "${#failures[@]}" >&2
    printf '  %s\n' "${failures[@]}" >&2
    exit 1
fi
echo "all install checks passed"
