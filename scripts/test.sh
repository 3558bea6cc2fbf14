#!/usr/bin/env bash
# Sets up, checks the sources' format, builds and runs every test through
# CTest. Tests that need an X server start their own Xvfb, so this runs on a
# machine with no display. Unit and widget tests run first, so their failures
# show before the rest; then the same tests built with the sanitizers, the long
# soak, end-to-end and packaging runs, and the fuzzers for a bounded time.
# The unit tests also run over the portable POSIX parts. Last the Windows
# build with its tests and installer under Wine (scripts/windows/test.sh).
# Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

# Runs a step and says how long it took.
step() {
  local start=$SECONDS
  "$@"
  echo "test.sh: '$*' took $((SECONDS - start)) s"
}

step scripts/check-format.sh
step scripts/build.sh
ctest=(ctest --test-dir build --output-on-failure --timeout 300 "$@")
step "${ctest[@]}" -LE 'e2e|soak|packaging|wine'
step scripts/sanitize.sh "$@"
# The same tests over the portable POSIX parts macOS would build with.
step scripts/build.sh --portable
step ctest --test-dir build-portable --output-on-failure --timeout 300 -LE 'e2e|soak|packaging' "$@"
step "${ctest[@]}" -L soak
step "${ctest[@]}" -L e2e
step "${ctest[@]}" -L packaging
step scripts/fuzz.sh "${TAVIMORK_FUZZ_SECONDS:-30}"
# 1.5 minutes, and 22 to 27 more where Qt for Windows is not in its cache yet.
step scripts/windows/test.sh "$@"
echo "test.sh: all passed in $SECONDS s"
