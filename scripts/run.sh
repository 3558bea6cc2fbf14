#!/usr/bin/env bash
# Sets up, builds the console alone (not the tests, the simulator or the
# benchmark) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh tavimork
exec build/app/tavimork "$@"
