#!/usr/bin/env bash
# Settings of the test Wine prefix, applied with the wineserver running.
set -euo pipefail
reg() { wine reg add "$@" /f </dev/null >/dev/null 2>&1; }
# The version query of the programs under test reports Windows XP.
for exe in quillane.exe platform_tests.exe engine_tests.exe ui_main_tests.exe \
           ui_options_tests.exe ui_restore_tests.exe ui_about_tests.exe support_tests.exe \
           shellext_tests.exe; do
    reg 'HKCU\Software\Wine\AppDefaults\'"$exe" /v Version /d winxp
done

prefix=${WINEPREFIX:?}
# Drive D: is a CD-ROM drive, so that tests can choose a folder that is not on a hard disk.
mkdir -p "$prefix/cdrom-d/Disc"
ln -sfn "$prefix/cdrom-d" "$prefix/dosdevices/d:"
# /reg:64: /usr/bin/wine runs the 32-bit reg.exe, whose HKLM\Software writes
# would land under Wow6432Node, where the mount manager does not look.
reg 'HKLM\Software\Wine\Drives' /v 'd:' /d cdrom /reg:64
# A folder loop: C:\quillane-loop\inner\up leads back to C:\quillane-loop.
mkdir -p "$prefix/drive_c/quillane-loop/inner"
ln -sfn .. "$prefix/drive_c/quillane-loop/inner/up"
# No window manager runs on the test display: unmanaged windows spare Wine's
# wait for one whenever a window is shown or hidden.
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
