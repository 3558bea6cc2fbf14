#!/usr/bin/env bash
# Builds under build-sanitize/ (clang, Debug, the address and undefined-
# behaviour sanitizers: scripts/build.sh --sanitize) and runs the unit and
# widget tests there, with the fuzzers' checked-in inputs once each. Fails on a
# failing test and on any sanitizer report, also one from a program a test
# starts and whose exit status it does not judge (the simulator). Arguments go
# to ctest.
#
#   scripts/sanitize.sh [ctest option...]
set -euo pipefail
cd "$(dirname "$0")/.."
selection=(-LE 'e2e|soak|packaging' "$@")
scripts/build.sh --sanitize
# Qt's asserts are part of the check; QT_NO_DEBUG would compile them out.
if grep -q -- '-DQT_NO_DEBUG' build-sanitize/compile_commands.json; then
  echo "sanitize: build-sanitize/ compiles with QT_NO_DEBUG, so Q_ASSERT is off" >&2
  exit 1
fi

# Reports go to files, one per process (report.<pid>), so none is lost in a
# test's output; both sanitizers share the setting.
reports=$PWD/build-sanitize/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/report"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/report"
# No leak is suppressed here; the fuzzers' tests bring their own list for
# fontconfig's caches (tests/fuzz/lsan.supp).

status=0
ctest --test-dir build-sanitize --output-on-failure --timeout 600 "${selection[@]}" || status=$?

shopt -s nullglob
found=("$reports"/*)
for report in "${found[@]}"; do
  echo "=== $report" >&2
  cat "$report" >&2
done
if ((${#found[@]})); then
  echo "sanitize: FAILED: ${#found[@]} sanitizer reports, above" >&2
  exit 1
fi
if ((status)); then
  echo "sanitize: FAILED: tests failed in the sanitizer build" >&2
  exit "$status"
fi
echo "sanitize: tests passed without a sanitizer report"
