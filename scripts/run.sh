#!/usr/bin/env bash
# Installs only what building and running the console needs (not the tests'
# tools), builds the console alone (not the tests, the simulator or the
# benchmark) and starts it. Arguments go to the console.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --console tavimork
exec build/app/tavimork "$@"
