#!/usr/bin/env bash
# Sets up, builds and measures the console built under build/ (or another
# build of it: --console PATH) on a private Xvfb. Prints a Markdown table;
# --json PATH also writes the numbers, --seconds N sets each driving run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec build/bench/tavimork-bench "$@"
