#!/usr/bin/env bash
# The Windows step, on this Linux machine: cross-builds the console and its
# unit and widget tests with MinGW-w64 against Qt and SDL2 for Windows (each
# built once into a cache, by build-qt.sh and build-sdl.sh), runs the tests
# under Wine, builds the NSIS installer and checks it under Wine, and then
# runs the Linux build's end-to-end tests against the installed console
# (CTest label "wine" in build/). Every Wine call runs through nodev-serial, so no COM port reaches a
# serial device of this machine. Idempotent: a second run reuses the caches,
# build-windows/ and the Wine prefix in it, and says how long each step took.
#
# Usage: scripts/windows/test.sh [CTEST_ARG...]
# Env:   TAVIMORK_WERROR=ON|OFF, as for scripts/build.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cd "$root"
build=$root/build-windows
export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all
# As in wine-run: no Mono or Gecko dialogs, no entries in this machine's menu.
export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'

took() { echo "windows/test.sh: $1 took $((SECONDS - $2)) s"; }
step() {
  local label=$1 start=$SECONDS
  shift
  "$@"
  took "$label" "$start"
}

step "installing what is missing" "$root/scripts/setup.sh" \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  wine wine64 nsis python3 procps

start=$SECONDS
qt=$("$here/build-qt.sh" | tail -n 1)
took "Qt for MinGW ($qt)" "$start"
[ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ] || { echo "windows/test.sh: no Qt in '$qt'" >&2; exit 1; }
start=$SECONDS
sdl=$("$here/build-sdl.sh" | tail -n 1)
took "SDL2 for MinGW ($sdl)" "$start"
[ -f "$sdl/lib/cmake/SDL2/SDL2Config.cmake" ] || { echo "windows/test.sh: no SDL2 in '$sdl'" >&2; exit 1; }

# The build folder belongs to one Qt and one SDL: others (a new cache key)
# start it afresh, all but the Wine prefix.
if [ -f "$build/CMakeCache.txt" ] && [ "$(cat "$build/qt-prefix" 2>/dev/null)" != "$qt $sdl" ]; then
  find "$build" -mindepth 1 -maxdepth 1 ! -name wineprefix -exec rm -rf {} +
fi
mkdir -p "$build"
echo "$qt $sdl" >"$build/qt-prefix"

# Tests find Qt's DLLs and plugins, and the MinGW runtime, where they are
# built; the installed console has its own copies next to it.
emulator=("$here/wine-run" --prefix "$WINEPREFIX" --dll-path "$qt/bin" --dll-path "$sdl/bin"
  --plugin-path "$qt/plugins")
for library in libstdc++-6.dll libwinpthread-1.dll; do
  emulator+=(--dll-path "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name="$library")")")
done
options=()
if [ -n "${TAVIMORK_WERROR:-}" ]; then options+=(-DTAVIMORK_WERROR="$TAVIMORK_WERROR"); fi
# No help2man: it makes the manual pages by running the program, and a .exe
# runs here only under Wine (Windows has no man anyway); a Windows build of
# packaging/ does not look for it.
step "configuring build-windows" env TAVIMORK_QT_MINGW="$qt" TAVIMORK_SDL_MINGW="$sdl" \
  cmake --preset windows -DCMAKE_CROSSCOMPILING_EMULATOR="$(IFS=';'; echo "${emulator[*]}")" "${options[@]}"
step "building" nice -n 10 cmake --build "$build"

# The Wine prefix, once: about 18 s and 700 MB. Made inside nodev-serial, so
# Wine finds no serial port to link COM1... to.
if [ ! -f "$WINEPREFIX/tavimork-initialised" ]; then
  start=$SECONDS
  rm -rf "$WINEPREFIX"
  if ! "$here/nodev-serial" sh -c 'wineboot --init && wineserver -w' >"$build/wineboot.log" 2>&1; then
    tail -n 20 "$build/wineboot.log" >&2
    echo "windows/test.sh: wineboot failed; the whole log is $build/wineboot.log" >&2
    exit 1
  fi
  touch "$WINEPREFIX/tavimork-initialised"
  took "creating the Wine prefix" "$start"
fi
shopt -s nullglob
coms=("$WINEPREFIX"/dosdevices/com*)
shopt -u nullglob
if ((${#coms[@]})); then
  echo "windows/test.sh: removing COM links no test made: ${coms[*]##*/}"
  rm -f "${coms[@]}"
fi

# One wineserver for all the test programs, rather than one started and
# stopped for each; its output goes to a file, as it outlives this script's
# pipes otherwise.
# One left by a run cut short would refuse the start.
wine_log=$build/wineserver.log
stop_wineserver() { "$here/nodev-serial" wineserver -k </dev/null >>"$wine_log" 2>&1 || true; }
stop_wineserver
trap stop_wineserver EXIT
"$here/nodev-serial" wineserver -p </dev/null >>"$wine_log" 2>&1

# Widget tests show their windows offscreen (tests/CMakeLists.txt sets
# QT_QPA_PLATFORM, wine-run passes it on as WINEQT_QPA_PLATFORM).
step "unit and widget tests under Wine" \
  ctest --test-dir "$build" --output-on-failure --timeout 300 "$@"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
rm -rf "$build/package"
step "building the installer" cpack -G NSIS --config "$build/CPackConfig.cmake" -B "$build/package"
installer=$build/package/Tavimork-$version-win64.exe
[ -f "$installer" ] || { echo "windows/test.sh: cpack made no $installer" >&2; exit 1; }
echo "windows/test.sh: $installer ($(du -h "$installer" | cut -f1))"
step "checking the installer under Wine" \
  "$root/tests/packaging/check-windows-package.sh" "$installer" "$WINEPREFIX" "$version"

# The console as installed, with nothing but its own folder.
stage=$build/stage
rm -rf "$stage"
install_stage() { cmake --install "$build" --prefix "$stage" --strip >/dev/null; }
step "installing into build-windows/stage" install_stage
said=$("$here/wine-run" "$stage/bin/tavimork.exe" --version | tr -d '\r')
[ "$said" = "tavimork $version" ] || {
  echo "windows/test.sh: $stage/bin/tavimork.exe --version says '$said', not 'tavimork $version'" >&2
  exit 1
}

# The end-to-end tests of the Linux build in build/, against the installed
# console: CTest's "wine" tests there, once build/ knows where it is. A fresh
# wineserver and desktop process for them: the desktop the offscreen tests
# started has no X display, and later programs of the prefix would take its
# display driver.
[ -x "$root/build/tests/e2e/tst_console_e2e" ] || {
  echo "windows/test.sh: no build/tests/e2e/tst_console_e2e: build the Linux tree first (scripts/build.sh)" >&2
  exit 1
}
stop_wineserver
step "pointing build/ at the Windows console" cmake -S . -B "$root/build" \
  -DTAVIMORK_WINE_CONSOLE="$stage/bin/tavimork.exe" -DTAVIMORK_WINE_PREFIX="$WINEPREFIX" \
  -DTAVIMORK_WINE_SYSTEMENDS="$build/tests/e2e/windows/systemends.exe"
step "end-to-end tests under Wine" ctest --test-dir "$root/build" --output-on-failure -L wine "$@"
echo "windows/test.sh: all passed in $SECONDS s"
