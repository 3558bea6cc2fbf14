#!/usr/bin/env bash
# Sets up, builds and runs every test through CTest. Tests that need an X
# server start their own Xvfb, so this runs on a machine with no display.
# Unit and widget tests run first, so their failures show before the long
# end-to-end, soak and packaging runs; then the fuzzers get a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
ctest=(ctest --test-dir build --output-on-failure --timeout 300 "$@")
"${ctest[@]}" -LE 'e2e|soak|packaging'
"${ctest[@]}" -L soak
"${ctest[@]}" -L e2e
"${ctest[@]}" -L packaging
# The fuzzers, with the sanitizers, for a bounded time each.
scripts/fuzz.sh "${TAVIMORK_FUZZ_SECONDS:-30}"
