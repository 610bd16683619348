#!/usr/bin/env bash
# The Windows installer under Wine, silent, as an administrator deploying it would run it: it
# refuses a reader library that lacks an entry point before copying anything; installs into
# Program Files with a Start-menu entry, a desktop shortcut and an entry in Programs and
# Features; the installed program reads and writes a tag; and the uninstaller leaves nothing
# behind but the user's journal. A vendor's library chosen on the command line replaces the
# emulated one and stays when the program is installed again. Needs the Wine set-up of
# scripts/win32-env.sh in the environment (scripts/test-win32.sh).
#   installer_under_wine.sh SETUP.EXE PORTABLE_FOLDER BUILD_BIN
# The portable folder holds the same files as the installer; BUILD_BIN holds the test build's
# broken reader libraries.
set -euo pipefail
setup=$1
dist=$2
build_bin=$3
here=$(cd "$(dirname "$0")" && pwd)
export ZELD_RUNNER=wine ZELD_EXE=.exe ZELD_WAIT_LIMIT=120
source "$here/../../scripts/win32-env.sh"
source "$here/../../scripts/x11-drive.sh"
source "$here/expect.sh"
source "$here/read_then_write.sh"
shots=$(dirname "$setup")/screenshots
mkdir -p "$shots"

drive_c=$WINEPREFIX/drive_c
installed="$drive_c/Program Files/Zeld V3"
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Zeld V3 读写卡.lnk"
desktop="$drive_c/users/Public/Desktop/Zeld V3 读写卡.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zeld V3'

has() { [ -e "$1" ] && echo yes || echo no; }
registered() { wine reg query "$uninstall_key" >/dev/null 2>&1 && echo yes || echo no; }
# Every file and folder on drive C: but Windows' own and the temporary folders, which Windows
# (and Wine) change by themselves.
everything() {
  find "$drive_c" \( -path "$drive_c/windows" -o -name Temp \) -prune -o -print | sort
}
# The uninstaller copies itself into the temporary folder and returns at once; the copy removes
# the program.
uninstall() {
  wine "$installed/uninstall.exe" /S
  x11_await "the uninstaller to remove the program" uninstalled || true
}
uninstalled() { [ ! -e "$installed" ]; }

trap x11_end_session EXIT
# What an earlier run left, and the journal: this run writes a new one.
[ -e "$installed/uninstall.exe" ] && uninstall
rm -rf "$drive_c"/users/*/AppData/Local/zeld
before=$(mktemp)
after=$(mktemp)
everything >"$before"

status=0
wine "$setup" /S "/MF1=$(zeld_wine_path "$build_bin/libMF1_without_ControlBuzzer.dll")" || status=$?
expect "a library without ControlBuzzer: the installer's exit status" 2 "$status"
expect "a library without ControlBuzzer: the program is installed" no "$(has "$installed")"

wine "$setup" /S
expect "zeld.exe is installed" yes "$(has "$installed/zeld.exe")"
expect "the export's zeld-xlsx.dll is installed" yes "$(has "$installed/zeld-xlsx.dll")"
expect "PostgreSQL's client libpq.dll is installed" yes "$(has "$installed/libpq.dll")"
expect "Qt's printing and its printers' plugin are installed" "yes yes" \
  "$(has "$installed/Qt5PrintSupport.dll") $(has "$installed/printsupport/windowsprintersupport.dll")"
expect "the emulated MF1.dll is installed" yes \
  "$(cmp -s "$installed/MF1.dll" "$dist/MF1.dll" && echo yes || echo no)"
expect "the Start-menu entry" yes "$(has "$start_menu")"
expect "the desktop shortcut" yes "$(has "$desktop")"
expect "in Programs and Features" yes "$(registered)"

# The installed program with nothing on a search path, as on a user's machine, on the session's
# own X server: Wine's clipboard goes through the display its first program found, so nothing of
# the installer's may run on.
wineserver -k 2>/dev/null || true
WINEPATH= x11_start_session "$installed" 123456789A
ZELD_SHOT_PREFIX=installed- read_then_write "$installed" "$shots"
x11_end_session
echo "screenshots: $shots/installed-after-read.png $shots/installed-after-write.png"

uninstall
expect "the program folder after uninstalling" no "$(has "$installed")"
expect "the Start-menu entry after uninstalling" no "$(has "$start_menu")"
expect "the desktop shortcut after uninstalling" no "$(has "$desktop")"
expect "in Programs and Features after uninstalling" no "$(registered)"

# A library with the entry points takes the emulated one's place, and installing again keeps it.
vendor=$build_bin/libMF1_throwing.dll
wine "$setup" /S "/MF1=$(zeld_wine_path "$vendor")"
expect "the chosen library is installed as MF1.dll" yes \
  "$(cmp -s "$installed/MF1.dll" "$vendor" && echo yes || echo no)"
wine "$setup" /S
expect "installing again keeps it" yes "$(cmp -s "$installed/MF1.dll" "$vendor" && echo yes || echo no)"
uninstall

everything >"$after"
journal=$(echo "$drive_c"/users/*/AppData/Local/zeld/written-tags.csv)
# The journal with the two small files its lock between copies of the program lives in.
expect "what is left: the journal in its folder" "$(dirname "$journal")
$journal
$journal.lock
$journal.running" "$(comm -13 "$before" "$after")"
rm -f "$before" "$after"
expect_done
