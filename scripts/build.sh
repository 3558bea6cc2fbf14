#!/usr/bin/env bash
# Installs what is missing, then configures and builds under build/: the
# targets named on the command line, or everything.
#
#   scripts/build.sh [--sanitize | --portable] [target...]
#
# --sanitize builds under build-sanitize/ instead: clang, Debug (so Qt's
# asserts are live), the address and undefined-behaviour sanitizers, and the
# libFuzzer targets, but not the end-to-end tests nor the bench.
# --portable builds under build-portable/ with the portable POSIX parts that
# macOS builds with (TAVIMORK_PORTABLE_POSIX), without the end-to-end tests.
# TAVIMORK_WERROR=ON (or OFF) in the environment sets whether warnings are
# errors; the folder keeps the setting until it is given again.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --sanitize ]; then
  shift
  dir=build-sanitize
  # clang's libFuzzer and sanitizer runtimes, and a symbolizer for readable reports.
  scripts/setup.sh clang libclang-rt-14-dev llvm-14
  first=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++
         -DTAVIMORK_SANITIZE=ON -DTAVIMORK_FUZZ=ON -DTAVIMORK_E2E=OFF)
elif [ "${1:-}" = --portable ]; then
  shift
  dir=build-portable
  scripts/setup.sh
  first=(-DCMAKE_BUILD_TYPE=Release -DTAVIMORK_PORTABLE_POSIX=ON -DTAVIMORK_E2E=OFF)
else
  dir=build
  scripts/setup.sh
  first=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi
options=()
if [ -n "${TAVIMORK_WERROR:-}" ]; then options+=(-DTAVIMORK_WERROR="$TAVIMORK_WERROR"); fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${first[@]}" "${options[@]}"
elif ((${#options[@]})); then
  cmake -S . -B "$dir" "${options[@]}" >/dev/null
fi
cmake --build "$dir" ${1:+--target "$@"}
