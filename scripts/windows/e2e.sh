#!/usr/bin/env bash
# Runs the end-to-end tests against the Windows console under Wine: the Linux
# build's tests/e2e/tst_console_e2e starts its own Xvfb, drives tavimork.exe
# there with xdotool and plays the robot on a pseudo-terminal that the Wine
# prefix's COM1 links to. Which tests run under Wine, and why the others do
# not, is listed in tests/e2e/tst_console_e2e.cpp.
#
# Usage: scripts/windows/e2e.sh PATH/TO/tavimork.exe [TEST_ARG...]
#        (its DLLs and plugins next to it; TEST_ARGs go to the test program,
#        e.g. the names of the test functions to run)
# Needs: WINEPREFIX, an initialized prefix with no dosdevices/com* links;
#        the Linux build in build/ (scripts/build.sh); root, for nodev-serial;
#        TAVIMORK_E2E_SYSTEMENDS, the Windows build's systemends.exe, which
#        ends the console the ways Windows does (default: the one in
#        build-windows/).
# Prints the pass, fail and skip counts; exits non-zero when a test failed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
nodev=$here/nodev-serial
test_binary=$root/build/tests/e2e/tst_console_e2e

exe=${1:?usage: e2e.sh PATH/TO/tavimork.exe [TEST_ARG...]}
shift
[ -f "$exe" ] || { echo "e2e.sh: no $exe" >&2; exit 1; }
exe=$(realpath "$exe")
: "${WINEPREFIX:?export WINEPREFIX, an initialized Wine prefix}"
export WINEPREFIX
[ -f "$WINEPREFIX/system.reg" ] || { echo "e2e.sh: $WINEPREFIX is no initialized Wine prefix" >&2; exit 1; }
[ -x "$test_binary" ] || { echo "e2e.sh: no $test_binary: build the Linux tree first (scripts/build.sh)" >&2; exit 1; }
export TAVIMORK_E2E_SYSTEMENDS=${TAVIMORK_E2E_SYSTEMENDS:-$root/build-windows/tests/e2e/windows/systemends.exe}
[ -f "$TAVIMORK_E2E_SYSTEMENDS" ] || { echo "e2e.sh: no $TAVIMORK_E2E_SYSTEMENDS: build the Windows tree first" >&2; exit 1; }

# A COM link to a pty is one a killed run of these tests left; any other
# (COM1 -> /dev/ttyS0 in a prefix made outside nodev-serial) is not ours to
# remove, and must not be there while a port number can reach it.
for link in "$WINEPREFIX"/dosdevices/com*; do
  [ -L "$link" ] || continue
  case $(readlink "$link") in
    /dev/pts/*) rm -f "$link" ;;
    *) echo "e2e.sh: $link leads to $(readlink "$link"); remove it first" >&2; exit 1 ;;
  esac
done

log_dir=$(mktemp -d /tmp/tavimork-wine-e2e.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver_stop() { "$nodev" wineserver -k >>"$log_dir/wineserver.log" 2>&1 || true; }
cleanup() {
  wineserver_stop
  for link in "$WINEPREFIX"/dosdevices/com*; do
    [ -L "$link" ] && { echo "e2e.sh: a test left $link behind; removed" >&2; rm -f "$link"; }
  done
  return 0
}
trap cleanup EXIT

# A crash ends the console at once, as on Windows with no debugger set up:
# Wine's own debugger would hold the whole process while it looks at it, and
# the window's dead-man would then write a stop of its own, which would hide
# whether the console's crash stop wrote one. Before the wineserver below:
# this starts Wine's desktop process with no display.
wineserver_stop
"$nodev" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
  /t REG_SZ /d tavimork-no-debugger.exe /f </dev/null >>"$log_dir/wineserver.log" 2>&1

# The wineserver opens the COM devices for its clients, so it must be one
# started here, inside nodev-serial; an earlier one of this prefix may not be.
# It stays up between consoles, which saves a second per start.
wineserver_stop
"$nodev" wineserver -p </dev/null >>"$log_dir/wineserver.log" 2>&1

echo "e2e.sh: tavimork.exe under $("$nodev" wine --version) on Xvfb; log in $log_dir"
start=$SECONDS
rc=0
# Into a file: Wine's helper processes would keep a pipe open after the tests.
TAVIMORK_E2E_WINE_CONSOLE=$exe timeout --kill-after=10 900 \
  "$nodev" "$test_binary" -o "$log_dir/tst_console_e2e.txt,txt" "$@" \
  </dev/null >"$log_dir/output.txt" 2>&1 || rc=$?
result=$log_dir/tst_console_e2e.txt
[ -s "$result" ] || result=$log_dir/output.txt

grep -E '^(FAIL!|XPASS|SKIP)' -A1 "$result" || true
totals=$(grep -E '^Totals:' "$result" || echo "Totals: none (the test program ended early, exit status $rc)")
echo "e2e.sh: $totals; $((SECONDS - start)) s"
failed=$(sed -n 's/^Totals: [0-9]* passed, \([0-9]*\) failed.*/\1/p' "$result")
if [ "$rc" -ne 0 ] || [ "${failed:-1}" -ne 0 ]; then
  echo "e2e.sh: FAILED (exit status $rc); whole log: $result" >&2
  exit 1
fi
echo "e2e.sh: passed"
