#!/usr/bin/env bash
# Installs what is missing, then configures (from a preset of
# CMakePresets.json) and builds under build/: the targets named on the
# command line, or everything.
#
#   scripts/build.sh [--console | --sanitize | --portable] [target...]
#
# --console installs only what the console and the simulator need
# (scripts/setup.sh --console) and configures a new build/ without the tests
# and the bench (BUILD_TESTING=OFF), for scripts/run.sh and
# scripts/try-with-sim.sh; name the targets to build. A build/ that is already
# configured is kept as it is. A later build without --console configures
# such a folder again, with the tests, and with the manual pages once
# help2man is there.
# --sanitize builds under build-sanitize/ instead: clang, Debug (so Qt's
# asserts are live), the address and undefined-behaviour sanitizers, and the
# libFuzzer targets, but not the end-to-end tests nor the bench.
# --portable builds under build-portable/ with the portable POSIX parts that
# macOS builds with (TAVIMORK_PORTABLE_POSIX), without the end-to-end tests.
# TAVIMORK_WERROR=ON (or OFF) in the environment sets whether warnings are
# errors; the folder keeps the setting until it is given again.
set -euo pipefail
cd "$(dirname "$0")/.."
reconfigure=()
if [ "${1:-}" = --console ]; then
  shift
  preset=console dir=build
  scripts/setup.sh --console
elif [ "${1:-}" = --sanitize ]; then
  shift
  preset=sanitize dir=build-sanitize
  # clang's libFuzzer and sanitizer runtimes, and a symbolizer for readable reports.
  scripts/setup.sh clang libclang-rt-14-dev llvm-14
elif [ "${1:-}" = --portable ]; then
  shift
  preset=portable dir=build-portable
  scripts/setup.sh
else
  preset=default dir=build
  scripts/setup.sh
  # A folder that --console configured has no tests, and no manual pages if
  # help2man was missing then. Configuring again turns the tests on and
  # looks for help2man anew (CMake repeats a search that found nothing).
  cache=$dir/CMakeCache.txt
  if [ -f "$cache" ] && grep -qxE 'BUILD_TESTING:BOOL=(OFF|FALSE|NO|0)|HELP2MAN:FILEPATH=.*NOTFOUND' "$cache"; then
    reconfigure=(-DBUILD_TESTING=ON)
  fi
fi
options=()
if [ -n "${TAVIMORK_WERROR:-}" ]; then options+=(-DTAVIMORK_WERROR="$TAVIMORK_WERROR"); fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake --preset "$preset" "${reconfigure[@]}" "${options[@]}"
elif ((${#options[@]} + ${#reconfigure[@]})); then
  cmake -S . -B "$dir" "${reconfigure[@]}" "${options[@]}" >/dev/null
fi
cmake --build "$dir" ${1:+--target "$@"}
