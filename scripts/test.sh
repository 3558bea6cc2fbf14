#!/usr/bin/env bash
# Sets up, builds and runs every test through CTest. Tests that need an X
# server start their own Xvfb, so this runs on a machine with no display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
ctest --test-dir build --output-on-failure --timeout 300 "$@"
