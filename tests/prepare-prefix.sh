#!/usr/bin/env bash
# Settings of the test Wine prefix, applied with the wineserver running.
set -euo pipefail
reg() { wine reg add "$@" /f </dev/null >/dev/null 2>&1; }
# The version query of the programs under test reports Windows XP.
for exe in quillane.exe platform_tests.exe engine_tests.exe ui_main_tests.exe \
           ui_options_tests.exe ui_restore_tests.exe ui_about_tests.exe; do
    reg 'HKCU\Software\Wine\AppDefaults\'"$exe" /v Version /d winxp
done
