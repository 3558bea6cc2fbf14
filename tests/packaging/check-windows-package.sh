#!/usr/bin/env bash
# Checks what a user of the Windows installer gets, under Wine: a silent
# install puts the console with its DLLs, plugins and licence into the chosen
# folder, a Start-menu entry that starts it, and an uninstaller listed among
# the installed programs; the installed console answers --version with
# nothing but what the installer put down; and the silent uninstall leaves
# none of it behind.
#
# Usage: tests/packaging/check-windows-package.sh INSTALLER.exe WINEPREFIX VERSION
# The prefix must be initialised (scripts/windows/test.sh makes one).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
installer=$1 prefix=$2 version=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
# No --dll-path: only what lies next to the program may count.
wine_run() { "$root/scripts/windows/wine-run" --prefix "$prefix" "$@"; }

# A folder of the test's own. /D= must come last and takes no quotes, so the
# path has no space.
dir_win='C:\tavimork-package-test'
dir=$prefix/drive_c/tavimork-package-test
menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavimork"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavimork'

# An earlier run cut short left its install behind: the installer removes it
# first, as it does an earlier version on a user's machine.
wine_run "$installer" /S "/D=$dir_win" || fail "the installer exited with status $?"
echo "installed into $dir_win"

files=(LICENSE.txt Uninstall.exe bin/tavimork.exe
       bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll bin/Qt6SerialPort.dll
       bin/libstdc++-6.dll bin/libgcc_s_seh-1.dll bin/libwinpthread-1.dll
       bin/SDL2.dll SDL2-LICENSE.txt
       bin/platforms/qwindows.dll bin/styles/qwindowsvistastyle.dll)
for file in "${files[@]}"; do
  [ -f "$dir/$file" ] || fail "the install lacks $file"
done
# What only the tests load has no place there.
for file in bin/Qt6Test.dll bin/platforms/qoffscreen.dll; do
  [ ! -e "$dir/$file" ] || fail "the install has $file, which only the tests need"
done
grep -q 'MIT License' "$dir/LICENSE.txt" || fail "LICENSE.txt is not the MIT licence"
grep -q 'Sam Lantinga' "$dir/SDL2-LICENSE.txt" || fail "SDL2-LICENSE.txt is not SDL's licence"

[ -f "$menu/Tavimork.lnk" ] || fail "no Start-menu entry Tavimork"
strings -a "$menu/Tavimork.lnk" | grep -qixF "$dir_win\\bin\\tavimork.exe" \
  || fail "the Start-menu entry does not start $dir_win\\bin\\tavimork.exe"
listed=$(wine_run reg query "$uninstall_key") || fail "the uninstaller is not listed among installed programs"
grep -q 'DisplayName[[:space:]]*REG_SZ[[:space:]]*Tavimork' <<<"$listed" \
  || fail "the installed programs list no Tavimork: $listed"
grep -qF "\"$dir_win\\Uninstall.exe\"" <<<"$listed" || fail "the listed uninstaller is not $dir_win\\Uninstall.exe"

# Windows programs end their lines with CR LF.
said=$(wine_run "$dir_win\\bin\\tavimork.exe" --version | tr -d '\r') \
  || fail "the installed tavimork.exe --version exited with status $?: $said"
[ "$said" = "tavimork $version" ] || fail "the installed tavimork.exe --version says '$said', not 'tavimork $version'"
echo "installed tavimork.exe --version: $said"

# Qt finds its window-system plugin in the installed folder and the console
# runs until it is stopped; without the plugin Qt ends it at once. No X
# display here, so Wine creates no window: the end-to-end tests show it.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
set +e
env -u DISPLAY -u WAYLAND_DISPLAY timeout 5 "$root/scripts/windows/wine-run" --prefix "$prefix" \
  "$dir_win\\bin\\tavimork.exe" >"$log" 2>&1
status=$?
set -e
[ "$status" -eq 124 ] || { cat "$log" >&2; fail "the installed tavimork.exe ended with status $status at start"; }
echo "installed tavimork.exe starts and runs until stopped"

# An NSIS uninstaller copies itself to %TEMP%, starts the copy (which can then
# remove the original) and returns at once; the copy is told the folder with
# _?=. Wait for that copy to end: pgrep, unlike ps | grep, never finds
# itself; in its pattern [?] and [\] are a plain ? and backslash.
copy="_[?]=${dir_win//\\/[\\]}"
wine_run "$dir_win\\Uninstall.exe" /S || fail "the uninstaller exited with status $?"
for ((waited = 0; ; waited++)); do
  pgrep -f -- "$copy" >/dev/null || break
  ((waited < 120)) || fail "the uninstaller's copy still runs after 60 s"
  sleep 0.5
done
if [ -e "$dir" ]; then
  fail "the uninstall left $(find "$dir" | sed "s|^$prefix/drive_c/|C:/|" | tr '\n' ' ')"
fi
[ ! -e "$menu" ] || fail "the uninstall left the Start-menu folder Tavimork"
if wine_run reg query "$uninstall_key" >/dev/null 2>&1; then
  fail "the uninstalled program is still listed among installed programs"
fi
echo "uninstalled: no files, Start-menu entry or listing left"
echo "windows package checks passed"
