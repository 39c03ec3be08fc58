#!/usr/bin/env bash
# Installs dist/'s setup into fresh Wine prefixes and checks what it put there;
# customizes folders through the installed program; uninstalls silently and
# through the uninstaller's pages, with and without putting the folders back;
# checks the refusal on Vista, the update in place (also while a process holds
# the menu handler loaded), /restore-all's exit codes, the menu handler's
# registration in both registry views and its menu colouring a folder through
# the installed program; then unpacks each portable zip and starts the program
# from it. Needs DISPLAY; QUILLANE_PROBE (quillane-probe.exe) for the
# checks that drive windows; with QUILLANE_SCREENS set it saves screenshots there.
set -uo pipefail
source "$(dirname "$0")/../../scripts/lib.sh"

DIST=${1:-$REPO/dist}
VERSION=$(sed -n 's/^project(Quillane VERSION \([0-9.]*\).*/\1/p' "$REPO/CMakeLists.txt")
SETUP="$DIST/Quillane-$VERSION-setup.exe"
SETUP_EXE=$(basename "$SETUP")
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
# REG_VIEW: the registry view that reg_value and key_exists read, 64 (native
# on 64-bit Windows), 32, or empty on 32-bit Windows.
REG_VIEW=64
view_flag() { [ -n "$REG_VIEW" ] && echo "/reg:$REG_VIEW"; }
# reg_value KEY NAME: the data of one value.
reg_value() {
    local args=(/v "$2")
    [ -z "$2" ] && args=(/ve)
    # shellcheck disable=SC2046
    wine reg query "$1" "${args[@]}" $(view_flag) </dev/null 2>/dev/null | tr -d '\r' |
        sed -n 's/^    [^ ].*    REG_[A-Z_]*    //p' | head -n 1
}
# shellcheck disable=SC2046
key_exists() { wine reg query "$1" $(view_flag) </dev/null >/dev/null 2>&1; }
no_key() { ! key_exists "$1"; }
# shellcheck disable=SC2046
no_value() { ! wine reg query "$1" /v "$2" $(view_flag) </dev/null >/dev/null 2>&1; }
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
probe() { wine "$PROBE" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# wait_uninstalled KEY: the silent uninstaller works on from a copy of itself.
wait_uninstalled() {
    local i
    for i in $(seq 1 240); do
        no_key "$1" && break
        sleep 0.25
    done
    timeout 60 wineserver -w </dev/null >/dev/null 2>&1
}
# hold WINPATH SHARE: quillane-probe holds the file for 20 s; HOLD_PID is its job.
hold() {
    rm -f "$REPO/build/install-test/held"
    wine "$PROBE" hold "$1" "$2" 20 "$(winepath -w "$REPO/build/install-test/held")" \
        </dev/null >/dev/null 2>&1 &
    HOLD_PID=$!
    local i
    for i in $(seq 1 120); do
        [ -e "$REPO/build/install-test/held" ] && return 0
        sleep 0.25
    done
    return 1
}
expect() { # expect KEY NAME DATA [WHEN]
    local got
    got=$(reg_value "$1" "$2")
    if [ "$got" = "$3" ]; then printf 'ok: %s%s %s = %s\n' "${4:+$4: }" "${1##*\\}" "${2:-(default)}" "$got"
    else fail "${4:+$4: }${1##*\\} ${2:-(default)}: expected [$3], got [$got]"; fi
}

[ -f "$SETUP" ] || { echo "no $SETUP: run scripts/package" >&2; exit 1; }
PROBE=
[ -n "${QUILLANE_PROBE:-}" ] && PROBE=$(winepath -w "$QUILLANE_PROBE" 2>/dev/null)
# The menu handler that a process of the probe's architecture loads.
PROBE_DLL=QuillaneMenu32.dll
[ -n "$PROBE" ] && file "$QUILLANE_PROBE" | grep -q x86-64 && PROBE_DLL=QuillaneMenu64.dll
mkdir -p "$REPO/build/install-test"
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
DRIVE_VERB_KEY='HKLM\Software\Classes\Drive\shell\Quillane'
BACKGROUND_VERB_KEY='HKLM\Software\Classes\Directory\Background\shell\Quillane'
VERB_KEYS=("$VERB_KEY" "$DRIVE_VERB_KEY" "$BACKGROUND_VERB_KEY")
MENU_CLSID='{BE2AC388-320A-4D73-81E5-321EA44B4866}'
CLSID_KEY="HKLM\\Software\\Classes\\CLSID\\$MENU_CLSID"
HANDLER_KEYS=('HKLM\Software\Classes\Directory\shellex\ContextMenuHandlers\Quillane'
              'HKLM\Software\Classes\Drive\shellex\ContextMenuHandlers\Quillane'
              'HKLM\Software\Classes\Directory\Background\shellex\ContextMenuHandlers\Quillane')
APPROVED_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved'
# menu_registered VIEW WININSTDIR DLL WHEN: the handler's keys in that view.
menu_registered() {
    local REG_VIEW=$1 key
    expect "$CLSID_KEY" "" "Quillane menu" "$4, view ${1:-32}"
    expect "$CLSID_KEY\\InprocServer32" "" "$2\\$3" "$4, view ${1:-32}"
    expect "$CLSID_KEY\\InprocServer32" ThreadingModel Apartment "$4, view ${1:-32}"
    for key in "${HANDLER_KEYS[@]}"; do
        expect "$key" "" "$MENU_CLSID" "$4, view ${1:-32}, ${key#HKLM\\Software\\Classes\\}"
    done
    expect "$APPROVED_KEY" "$MENU_CLSID" "Quillane menu" "$4, view ${1:-32}"
}
# menu_gone VIEW WHEN: neither the handler's keys nor the plain verbs in that view.
menu_gone() {
    local REG_VIEW=$1 key
    for key in "$CLSID_KEY" "${HANDLER_KEYS[@]}" "${VERB_KEYS[@]}"; do
        check "$2: no ${key#HKLM\\Software\\Classes\\} in view ${1:-32}" no_key "$key"
    done
    check "$2: not approved in view ${1:-32}" no_value "$APPROVED_KEY" "$MENU_CLSID"
}
# write_old_verbs: the plain verbs an older version registered.
write_old_verbs() {
    local key
    for key in "${VERB_KEYS[@]}"; do
        wine reg add "$key" /ve /d "Customize with Quillane" /f /reg:64 </dev/null >/dev/null 2>&1
        wine reg add "$key\\command" /ve /d "\"$1\\quillane.exe\" \"%1\"" /f /reg:64 \
            </dev/null >/dev/null 2>&1
    done
    key_exists "$VERB_KEY\\command"
}
LNK="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillane.lnk"

# Windows Vista to 8.1: the setup refuses before it writes anything.
set_windows_version "$SETUP_EXE" vista
wine "$SETUP" /S </dev/null >/dev/null 2>&1
check "setup /S on Vista ends with non-zero" test $? -ne 0
check "setup on Vista wrote no program folder" test ! -e "$INSTDIR"
check "setup on Vista wrote no uninstall entry" no_key "$UNINSTALL_KEY"
check "setup on Vista registered no menu handler" no_key "$CLSID_KEY"
check "setup on Vista wrote no shortcut" test ! -e "$LNK"
if [ -n "$PROBE" ]; then
    wine "$SETUP" </dev/null >/dev/null 2>&1 &
    setup_pid=$!
    said=$(probe box Quillane 60)
    check "setup on Vista says the program's own words (got [$said])" \
        test "$said" = "Quillane is not compatible with Vista    "
    wait "$setup_pid"
    check "setup on Vista ends with non-zero after its message" test $? -ne 0
    check "setup on Vista wrote nothing after its message" test ! -e "$INSTDIR"
fi
set_windows_version "$SETUP_EXE" win10

if [ -n "${QUILLANE_SCREENS:-}" ]; then
    mkdir -p "$QUILLANE_SCREENS"
    shot setup-first-page 6 "$(winepath -w "$SETUP")"
fi

start=$(date +%s%3N)
wine "$SETUP" /S </dev/null >/dev/null 2>&1
check "setup /S ends with 0" test $? -eq 0
log "silent install took $(($(date +%s%3N) - start)) ms"

FILES=(quillane.exe Help.chm README.txt uninstall.exe QuillaneMenu32.dll QuillaneMenu64.dll
       Icons/Feather.ico Icons/Folder.ico Icons/QuillaneIcons.dll Backgrounds/Dusk.gif
       Backgrounds/Meadow.jpg Backgrounds/Tiles.bmp)
for f in "${FILES[@]}"; do
    check "installed $f" test -s "$INSTDIR/$f"
done
check "the 64-bit build is installed" bash -c "file '$INSTDIR/quillane.exe' | grep -q x86-64"
check "same exe as the x64 zip" bash -c \
    "unzip -p '$DIST/Quillane-$VERSION-x64.zip' Quillane/quillane.exe | cmp -s - '$INSTDIR/quillane.exe'"
check "the 64-bit menu handler is the x64 build's" bash -c "file '$INSTDIR/QuillaneMenu64.dll' | grep -q x86-64"
check "the 32-bit menu handler is the x86 build's" \
    bash -c "file '$INSTDIR/QuillaneMenu32.dll' | grep -q 'PE32 executable.*80386'"
check "the Start menu shortcut" test -s "$LNK"
check "setup made the shared icon folder, no link" \
    test -d "$c/ProgramData/Quillane/Icons" -a ! -L "$c/ProgramData/Quillane/Icons"
check "the shortcut points at the program" grep -aq 'Quillane\\quillane.exe' "$LNK"

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
menu_registered 64 "$WININST" QuillaneMenu64.dll "setup"
menu_registered 32 "$WININST" QuillaneMenu32.dll "setup"
for key in "${VERB_KEYS[@]}"; do
    check "setup wrote no plain verb ${key#HKLM\\Software\\Classes\\}" no_key "$key"
done

# One installed copy: a /D= elsewhere is refused, and nothing changes.
wine "$SETUP" /S '/D=C:\Elsewhere\Quillane' </dev/null >/dev/null 2>&1
check "setup /S /D= elsewhere over an installed copy ends with 2" test $? -eq 2
check "setup /D= elsewhere wrote no second program folder" test ! -e "$c/Elsewhere"
expect "$UNINSTALL_KEY" InstallLocation "$WININST"
check "setup /D= elsewhere left the installed program as it was" bash -c \
    "unzip -p '$DIST/Quillane-$VERSION-x64.zip' Quillane/quillane.exe | cmp -s - '$INSTDIR/quillane.exe'"

rc=$(x86_64-w64-mingw32-windres -i "$INSTDIR/quillane.exe" -O rc 2>/dev/null)
for v in '"CompanyName", "Pelwick"' '"FileDescription", "Quillane"' '"ProductName", "Quillane"' \
         "\"FileVersion\", \"$VERSION.0\"" "\"ProductVersion\", \"$VERSION.0\"" '"LegalCopyright"'; do
    check "version resource $v" grep -qF "$v" <<<"$rc"
done

run_program "$INSTDIR" quillane.exe "installed program"
if [ -n "$PROBE" ]; then
    # COM finds the handler as Explorer (or a 32-bit program) would, through
    # the probe's own registry view.
    served=$(probe create "$MENU_CLSID")
    check "the registered handler is made from $PROBE_DLL (got [$served])" \
        test "$served" = "$WININST\\$PROBE_DLL"
    # The installed menu of a folder, and its Red through the installed program.
    mkdir -p "$c/Menu test"
    offered=$(probe menu "$MENU_CLSID" 'C:\Menu test')
    check "the installed menu offers its items (got [$offered])" \
        test "$offered" = "Colour|Mark|Restore original look|Customize with Quillane..."
    # No pipe: the program the handler starts would hold it open.
    wine "$PROBE" menu "$MENU_CLSID" 'C:\Menu test' Red </dev/null >/dev/null 2>&1
    check "the installed menu's Red ends without a failure" test $? -eq 0
    check "the installed menu's Red colours the folder through the installed program" \
        grep -aqF 'IconFile="C:\ProgramData\Quillane\Icons\Folder Red D32F2F.ico"' \
        "$c/Menu test/Desktop.ini"
    (cd "$INSTDIR" && wine quillane.exe /restore-all /quiet </dev/null >/dev/null 2>&1)
    check "the menu's folder is put back" test ! -e "$c/Menu test/Desktop.ini"
fi
if [ -n "${QUILLANE_SCREENS:-}" ]; then
    shot installed-program 8 "$WININST\\quillane.exe"
fi

# The restore lists the program may have written survive an uninstall that
# leaves folders customized.
local_app_data=$(wine cmd /c 'echo %LOCALAPPDATA%' </dev/null 2>/dev/null | tr -d '\r')
local_app_data=$(winepath -u "$local_app_data" 2>/dev/null)
case $local_app_data in
"$WINEPREFIX"/*) ;;
*) echo "no local application data folder in the prefix: [$local_app_data]" >&2; exit 1 ;;
esac
LOCAL_LIST="$local_app_data/Quillane/Fldr.dll"
# A per-user list written while the program folder was read-only. A copy that
# runs where it may write takes it into the program folder's list, so it is
# laid down only where no copy runs before the uninstaller reads it.
per_user_list() {
    mkdir -p "$(dirname "$LOCAL_LIST")"
    printf 'C:\\kept one\r\n' >"$LOCAL_LIST"
}

# Three folders customized through the installed program, one holding a
# foreign settings file, all with a bundled icon.
CUSTOM="$c/Custom"
FOREIGN='[.ShellClassInfo]\r\nInfoTip=theirs\r\n'
make_folders() {
    rm -rf "$CUSTOM" "$REPO/build/install-test/before"
    mkdir -p "$CUSTOM/One" "$CUSTOM/Two" "$CUSTOM/Three" "$CUSTOM/Four"
    printf "$FOREIGN" >"$CUSTOM/One/Desktop.ini"
    printf "$FOREIGN" >"$CUSTOM/Three/Desktop.ini"
    cp -a "$CUSTOM" "$REPO/build/install-test/before"
}
same_as_before() { diff -r "$REPO/build/install-test/before" "$CUSTOM" >/dev/null; }
# customize DIR FOLDERS...: through the program installed in DIR, which then exits.
customize() {
    local dir=$1 windir f
    windir=$(winepath -w "$dir")
    shift
    (cd "$dir" && wine "$windir\\quillane.exe" </dev/null >/dev/null 2>&1) &
    local pid=$!
    probe set 305 "$windir\\Icons\\Folder.ico" >/dev/null
    for f in "$@"; do
        probe set 301 "C:\\Custom\\$f" >/dev/null
        probe press 502 >/dev/null
    done
    probe press 506 >/dev/null
    wait "$pid"
}
names_bundled_icon() { # names_bundled_icon FOLDER WININSTDIR UNIXINSTDIR
    grep -aqF "IconFile=\"$2\\Icons\\Folder.ico\"" "$1/Desktop.ini" && test -s "$3/Icons/Folder.ico"
}
# The program's coloured icons: Quillane\Icons in the application data of all users.
COLOUR_DIR="$c/ProgramData/Quillane/Icons"
RED_ICON="$COLOUR_DIR/Folder Red D32F2F.ico"
names_red_icon() {
    grep -aqF 'IconFile="C:\ProgramData\Quillane\Icons\Folder Red D32F2F.ico"' \
        "$CUSTOM/Two/Desktop.ini" && test -s "$RED_ICON"
}

if [ -n "$PROBE" ]; then
    make_folders
    customize "$INSTDIR" One Two Three
    check "the program wrote its settings into the three folders" \
        names_bundled_icon "$CUSTOM/Three" "$WININST" "$INSTDIR"
    check "the foreign settings file was set aside" cmp -s "$CUSTOM/One/BUDesktop.ini" \
        "$REPO/build/install-test/before/One/Desktop.ini"
    # Two turns red: the one icon file of that colour, shared by every account.
    (cd "$INSTDIR" && wine quillane.exe /apply 'C:\Custom\Two' /colour Red /quiet \
        </dev/null >/dev/null 2>&1)
    check "/apply /colour Red ends with 0" test $? -eq 0
    check "Two names the shared red icon, which is there" names_red_icon
    # What an interrupted write leaves goes too; a file of someone else's stays.
    printf 'part' >"$COLOUR_DIR/Folder 1E90FF.ico.new"
    printf 'mine' >"$COLOUR_DIR/notes.txt"
    # A copy still running when the uninstaller starts: it is closed, and it
    # saves its list as it closes (here without the entry its start-up dropped).
    printf 'C:\\Gone\r\n' >>"$INSTDIR/Fldr.dll"
    (cd "$INSTDIR" && wine quillane.exe </dev/null >/dev/null 2>&1) &
    running_pid=$!
    probe 501 60 >/dev/null
else
    printf 'C:\\kept two\r\n' >"$INSTDIR/Fldr.dll"
    per_user_list
fi
kept_list=$(cat "$INSTDIR/Fldr.dll")

start=$(date +%s%3N)
wine "$INSTDIR/uninstall.exe" /S </dev/null >/dev/null 2>&1
wait_uninstalled "$UNINSTALL_KEY"
log "silent uninstall took $(($(date +%s%3N) - start)) ms"
for f in quillane.exe Help.chm README.txt uninstall.exe; do
    check "removed $f" test ! -e "$INSTDIR/$f"
done
check "removed the shortcut" test ! -e "$LNK"
check "removed the uninstall key" no_key "$UNINSTALL_KEY"
for f in QuillaneMenu32.dll QuillaneMenu64.dll; do
    check "removed $f" test ! -e "$INSTDIR/$f"
done
menu_gone 64 "uninstall"
menu_gone 32 "uninstall"
if [ -z "$PROBE" ]; then
    check "kept the restore list in the local application data" \
        bash -c "printf 'C:\\\\kept one\\r\\n' | cmp -s - '$LOCAL_LIST'"
fi
check "kept the bundled icons and pictures while folders use them" \
    test -s "$INSTDIR/Icons/Folder.ico" -a -s "$INSTDIR/Backgrounds/Tiles.bmp"
check "the program folder holds nothing else" \
    test "$(ls -A "$INSTDIR" 2>/dev/null | tr '\n' ' ')" = "Backgrounds Fldr.dll Fldr.dll.lock Icons "
if [ -n "$PROBE" ]; then
    wait "$running_pid"
    check "the running copy was closed and ended by itself" test $? -eq 0
    check "the running copy saved its list as it closed" \
        bash -c "! grep -q Gone '$INSTDIR/Fldr.dll' && grep -qF 'C:\\Custom\\Two' '$INSTDIR/Fldr.dll'"
    for f in One Three; do
        check "/S leaves $f naming an icon that is still there" \
            names_bundled_icon "$CUSTOM/$f" "$WININST" "$INSTDIR"
    done
    check "/S leaves Two naming the red icon, kept while folders are customized" names_red_icon
else
    check "kept the restore list in the program folder" \
        test "$(cat "$INSTDIR/Fldr.dll")" = "$kept_list"
fi

if [ -n "$PROBE" ]; then
    # Installed again over what was kept; then uninstalled through its pages,
    # putting the folders back.
    wine "$SETUP" /S </dev/null >/dev/null 2>&1
    check "installed again over the kept folder" test -s "$INSTDIR/quillane.exe"
    check "installing again keeps the coloured icons" names_red_icon
    per_user_list
    # A link among the icons: it goes as itself, its target stays (under Wine
    # deleting a linked file's name deletes the target).
    mkdir -p "$c/Outside"
    printf 'theirs' >"$c/Outside/kept.ico"
    ln -s "$c/Outside/kept.ico" "$COLOUR_DIR/Folder Linked.ico"
    wine "$INSTDIR/uninstall.exe" </dev/null >/dev/null 2>&1 &
    said=$(probe find Quillane 'Quillane has customized' 60)
    check "the uninstaller counts both lists (got [$said])" \
        test "$said" = "Quillane has customized 4 folders for 1 account."
    probe find Quillane 'Put these folders back as they were' 10 >/dev/null
    probe button Quillane 'Next >' 10
    probe button Quillane 'Uninstall' 30
    result=$(probe box Quillane 120)
    check "the program says how the folders went (got [$result])" \
        test "$result" = "Folders Successfully Restored"
    last=$(probe find Quillane 'Quillane has been removed from your computer.' 60)
    check "the last page keeps nothing (got [$last])" grep -q 'Click Finish' <<<"$last"
    probe button Quillane 'Finish' 10
    wait_uninstalled "$UNINSTALL_KEY"
    check "every folder is as it was before" same_as_before
    check "the program folder is gone, empty list and all" test ! -e "$INSTDIR"
    check "the per-user list is gone" test ! -e "$LOCAL_LIST"
    check "with no folder customized the coloured icons are gone" \
        test ! -e "$RED_ICON" -a ! -e "$COLOUR_DIR/Folder 1E90FF.ico.new"
    check "a file of someone else's among them stays" test "$(cat "$COLOUR_DIR/notes.txt")" = mine
    check "a linked icon name goes as itself, its target stays" \
        test ! -L "$COLOUR_DIR/Folder Linked.ico" -a "$(cat "$c/Outside/kept.ico")" = theirs
fi

# A folder of the user's choice, updated in place by a later setup.
TOOLS="$c/Tools/Quillane"
wine "$SETUP" /S '/D=C:\Tools\Quillane' </dev/null >/dev/null 2>&1
check "/D= installs into C:\Tools\Quillane" test -s "$TOOLS/quillane.exe"
expect "$UNINSTALL_KEY" InstallLocation 'C:\Tools\Quillane'
printf 'C:\\Custom\\Two\r\n' >"$TOOLS/Fldr.dll"
printf 'mine' >"$TOOLS/notes.txt"
printf 'old' >"$TOOLS/quillane.exe"
check "an older version's plain verbs are there before the update" write_old_verbs 'C:\Tools\Quillane'
# An older menu handler, held loaded as Explorer holds it: the update sets it
# aside and puts the new one in its place. (Bytes past its image keep it loadable.)
printf 'older build' >>"$TOOLS/$PROBE_DLL"
cp "$TOOLS/$PROBE_DLL" "$REPO/build/install-test/older-menu.dll"
LOAD_PID=
if [ -n "$PROBE" ]; then
    rm -f "$REPO/build/install-test/loaded"
    wine "$PROBE" load "C:\\Tools\\Quillane\\$PROBE_DLL" 120 \
        "$(winepath -w "$REPO/build/install-test/loaded")" </dev/null >/dev/null 2>&1 &
    LOAD_PID=$!
    for i in $(seq 1 120); do
        [ -e "$REPO/build/install-test/loaded" ] && break
        sleep 0.25
    done
    check "a process holds the installed $PROBE_DLL loaded" test -e "$REPO/build/install-test/loaded"
fi
wine "$SETUP" /S </dev/null >/dev/null 2>&1
check "an update while the menu handler is loaded ends with 0" test $? -eq 0
for arch in x86 x64; do
    dll=QuillaneMenu64.dll
    [ $arch = x86 ] && dll=QuillaneMenu32.dll
    check "an update puts the new $dll in place" bash -c \
        "unzip -p '$DIST/Quillane-$VERSION-$arch.zip' Quillane/$dll | cmp -s - '$TOOLS/$dll'"
done
if [ -n "$PROBE" ]; then
    check "the held $PROBE_DLL was set aside" \
        cmp -s "$REPO/build/install-test/older-menu.dll" "$TOOLS/$PROBE_DLL.old-1"
    pending=$(wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' \
        /v PendingFileRenameOperations </dev/null 2>/dev/null | tr -d '\r')
    check "the set-aside $PROBE_DLL is to go when Windows starts again" \
        grep -qF "Quillane\\$PROBE_DLL.old-1" <<<"$pending"
    kill "$LOAD_PID" 2>/dev/null
    wait "$LOAD_PID" 2>/dev/null
else
    check "with nothing holding it the older menu handler is gone at once" \
        bash -c "! ls '$TOOLS' | grep -q 'old-'"
fi
menu_registered 64 'C:\Tools\Quillane' QuillaneMenu64.dll "update"
menu_registered 32 'C:\Tools\Quillane' QuillaneMenu32.dll "update"
for key in "${VERB_KEYS[@]}"; do
    check "the update took away the plain verb ${key#HKLM\\Software\\Classes\\}" no_key "$key"
done
check "an update lands in the earlier folder" bash -c \
    "unzip -p '$DIST/Quillane-$VERSION-x64.zip' Quillane/quillane.exe | cmp -s - '$TOOLS/quillane.exe'"
check "an update writes nothing to the default folder" test ! -e "$INSTDIR/quillane.exe"
check "an update leaves one uninstall entry" test "$(wine reg query \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /reg:64 </dev/null 2>/dev/null |
    grep -ci quillane)" = 1
expect "$UNINSTALL_KEY" InstallLocation 'C:\Tools\Quillane'
check "an update keeps the restore list" bash -c "printf 'C:\\\\Custom\\\\Two\\r\\n' | cmp -s - '$TOOLS/Fldr.dll'"
check "an update keeps the user's files" test "$(cat "$TOOLS/notes.txt")" = mine

if [ -n "$PROBE" ]; then
    # /restore-all's exit codes: a held file, an unreadable list.
    make_folders
    rm -f "$TOOLS/Fldr.dll"
    customize "$TOOLS" One Two Three Four
    # Two other accounts, each with one folder in its own list: Vista's
    # layout and XP's, found through the registry's profile list.
    PROFILE_LIST='HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList'
    VISTA_LIST="$c/Profiles/Vista/AppData/Local/Quillane/Fldr.dll"
    XP_LIST="$c/Profiles/XP/Local Settings/Application Data/Quillane/Fldr.dll"
    for account in '3001|C:\Profiles\Vista|Three' '3002|C:\Profiles\XP|Four'; do
        IFS='|' read -r rid profile folder <<<"$account"
        wine reg add "$PROFILE_LIST\\S-1-5-21-7-7-7-$rid" /v ProfileImagePath /t REG_EXPAND_SZ \
            /d "$profile" /f /reg:64 </dev/null >/dev/null 2>&1
        grep -vF "\\$folder" "$TOOLS/Fldr.dll" >"$TOOLS/Fldr.dll.cut"
        mv "$TOOLS/Fldr.dll.cut" "$TOOLS/Fldr.dll"
    done
    mkdir -p "$(dirname "$VISTA_LIST")" "$(dirname "$XP_LIST")"
    printf 'C:\\Custom\\Three\r\n' >"$VISTA_LIST"
    printf 'C:\\Custom\\Four\r\n' >"$XP_LIST"
    check "the other accounts' folders are customized and out of the program's list" bash -c \
        "test -e '$CUSTOM/Three/BUDesktop.ini' -a -e '$CUSTOM/Four/Desktop.ini' && ! grep -q 'Three\|Four' '$TOOLS/Fldr.dll'"
    restore_all() { (cd "$TOOLS" && wine quillane.exe /restore-all /quiet </dev/null >/dev/null 2>&1); }
    hold 'C:\Tools\Quillane\Fldr.dll' none
    restore_all
    check "/restore-all ends with 2 when the list cannot be read" test $? -eq 2
    kill "$HOLD_PID" 2>/dev/null
    wait "$HOLD_PID" 2>/dev/null
    check "an unread list leaves the folders customized" test -e "$CUSTOM/Two/Desktop.ini"
    hold 'C:\Custom\One\BUDesktop.ini' read
    restore_all
    check "/restore-all ends with 1 when a folder cannot be put back" test $? -eq 1
    kill "$HOLD_PID" 2>/dev/null
    wait "$HOLD_PID" 2>/dev/null
    check "the folder that could not be put back stays listed" \
        test "$(tr -d '\r' <"$TOOLS/Fldr.dll")" = 'C:\Custom\One'
    wine "$TOOLS/uninstall.exe" /S /RESTOREALL </dev/null >/dev/null 2>&1
    wait_uninstalled "$UNINSTALL_KEY"
    check "/S /RESTOREALL puts every account's folders back" same_as_before
    check "/S /RESTOREALL empties every account's list" test ! -e "$VISTA_LIST" -a ! -e "$XP_LIST"
    check "/S /RESTOREALL leaves only the user's file" test "$(ls -A "$TOOLS")" = notes.txt
    for rid in 3001 3002; do
        wine reg delete "$PROFILE_LIST\\S-1-5-21-7-7-7-$rid" /f /reg:64 </dev/null >/dev/null 2>&1
    done
else
    wine "$TOOLS/uninstall.exe" /S </dev/null >/dev/null 2>&1
    wait_uninstalled "$UNINSTALL_KEY"
fi
check "the update's uninstaller removed the program" test ! -e "$TOOLS/quillane.exe"
check "the update's uninstaller removed the entry" no_key "$UNINSTALL_KEY"
check "the update's uninstaller removed the set-aside menu handler" \
    bash -c "! ls '$TOOLS' 2>/dev/null | grep -q 'QuillaneMenu.*old-'"

# 32-bit Windows gets the x86 build: a 32-bit prefix of its own.
wineserver -k </dev/null >/dev/null 2>&1
WINEPREFIX64=$WINEPREFIX
export WINEPREFIX="$REPO/.wine/install32"
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
WINEARCH=win32 wine wineboot -i </dev/null >/dev/null 2>&1
set_windows_version "$SETUP_EXE" win10
# Quillane in the shared application data made beforehand as a link to
# another folder: setup gives it nothing, the uninstaller deletes nothing there.
ELSEWHERE="$WINEPREFIX/drive_c/Elsewhere"
mkdir -p "$ELSEWHERE/Icons" "$WINEPREFIX/drive_c/ProgramData"
printf 'theirs' >"$ELSEWHERE/Icons/Folder 123456.ico"
ln -s "$ELSEWHERE" "$WINEPREFIX/drive_c/ProgramData/Quillane"
wine "$SETUP" /S </dev/null >/dev/null 2>&1
check "32-bit Windows: setup ends with 0 beside a linked shared folder" test $? -eq 0
exe32="$WINEPREFIX/drive_c/Program Files/Quillane/quillane.exe"
check "32-bit Windows: the x86 build in Program Files" \
    bash -c "file '$exe32' | grep -q 'PE32 executable.*80386'"
check "32-bit Windows: both menu handlers installed" \
    test -s "$(dirname "$exe32")/QuillaneMenu32.dll" -a -s "$(dirname "$exe32")/QuillaneMenu64.dll"
menu_registered "" "$WININST" QuillaneMenu32.dll "32-bit Windows"
wine "$WINEPREFIX/drive_c/Program Files/Quillane/uninstall.exe" /S </dev/null >/dev/null 2>&1
for i in $(seq 1 120); do
    [ ! -e "$exe32" ] && break
    sleep 0.25
done
timeout 60 wineserver -w </dev/null >/dev/null 2>&1
check "32-bit Windows: uninstalled" test ! -e "$WINEPREFIX/drive_c/Program Files/Quillane"
menu_gone "" "32-bit Windows: uninstall"
check "32-bit Windows: nothing removed through the linked shared folder" \
    test "$(cat "$ELSEWHERE/Icons/Folder 123456.ico")" = theirs -a -L "$WINEPREFIX/drive_c/ProgramData/Quillane"
wineserver -k </dev/null >/dev/null 2>&1
export WINEPREFIX=$WINEPREFIX64

for arch in x86 x64; do
    dir="$REPO/build/install-test/$arch"
    rm -rf "$dir"
    mkdir -p "$dir"
    check "unpack the $arch zip" unzip -q "$DIST/Quillane-$VERSION-$arch.zip" -d "$dir"
    for f in quillane.exe Help.chm README.txt QuillaneMenu32.dll QuillaneMenu64.dll \
        Icons/QuillaneIcons.dll Backgrounds/Tiles.bmp; do
        check "$arch zip holds $f" test -s "$dir/Quillane/$f"
    done
    run_program "$dir/Quillane" quillane.exe "$arch zip"
done

wineserver -k </dev/null >/dev/null 2>&1

# Two copies that share one program folder from two prefixes (two machines'
# or accounts' sessions, each with its own single-instance mutex) each Apply a
# folder; whichever closes first, the list keeps every folder of both.
if [ -n "$PROBE" ]; then
    SHARED="$REPO/build/install-test/x64/Quillane"
    PREFIX_A=$WINEPREFIX
    PREFIX_B="$REPO/.wine/install-b"
    rm -rf "$PREFIX_B"
    mkdir -p "$PREFIX_B"
    WINEPREFIX=$PREFIX_B wine wineboot -i </dev/null >/dev/null 2>&1
    WINEPREFIX=$PREFIX_B set_windows_version quillane.exe winxp
    WINEPREFIX=$PREFIX_B wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        </dev/null >/dev/null 2>&1
    TWO="$REPO/build/install-test/two-copies"
    rm -rf "$TWO" "$SHARED/Fldr.dll"
    mkdir -p "$TWO"/{A1,B1,A2,B2}
    TWO_WIN=$(winepath -w "$TWO")
    ICON_WIN="$(winepath -w "$SHARED")\\Icons\\Folder.ico"
    # start_copy PREFIX: starts the shared copy there; its process is COPY_PID.
    start_copy() {
        (cd "$SHARED" && WINEPREFIX=$1 wine quillane.exe </dev/null >/dev/null 2>&1) &
        COPY_PID=$!
        WINEPREFIX=$1 probe set 305 "$ICON_WIN" >/dev/null
    }
    apply_in() { # apply_in PREFIX FOLDER
        WINEPREFIX=$1 probe set 301 "$TWO_WIN\\$2" >/dev/null
        WINEPREFIX=$1 probe press 502 >/dev/null
    }
    for round in "1 A B" "2 B A"; do
        set -- $round
        start_copy "$PREFIX_A"
        pid_a=$COPY_PID
        start_copy "$PREFIX_B"
        pid_b=$COPY_PID
        apply_in "$PREFIX_A" "A$1"
        apply_in "$PREFIX_B" "B$1"
        for first in "$2" "$3"; do
            if [ "$first" = A ]; then
                WINEPREFIX=$PREFIX_A probe press 506 >/dev/null
                wait "$pid_a"
            else
                WINEPREFIX=$PREFIX_B probe press 506 >/dev/null
                wait "$pid_b"
            fi
        done
    done
    listed=$(tr -d '\r' <"$SHARED/Fldr.dll" | sort | tr '\n' ' ')
    expected=$(printf '%s\n' "$TWO_WIN\\A1" "$TWO_WIN\\A2" "$TWO_WIN\\B1" "$TWO_WIN\\B2" |
        sort | tr '\n' ' ')
    check "two copies in two prefixes: every folder of both listed ($listed)" \
        test "$listed" = "$expected"
    for f in A1 B1 A2 B2; do
        check "two copies in two prefixes: $f customized" \
            grep -aqF 'IconFile=' "$TWO/$f/Desktop.ini"
    done
    WINEPREFIX=$PREFIX_B wineserver -k </dev/null >/dev/null 2>&1
    WINEPREFIX=$PREFIX_A wineserver -k </dev/null >/dev/null 2>&1
fi

if [ ${#failures[@]} -gt 0 ]; then
    printf '%d install checks failed:\n' "${#failures[@]}" >&2
    printf '  %s\n' "${failures[@]}" >&2
    exit 1
fi
echo "all install checks passed"
