#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz) with clang and the address and
# undefined-behaviour sanitizers under build-sanitize/ (scripts/build.sh
# --sanitize), then runs each for the given number of seconds (default 30)
# from a copy of its checked-in corpus. Fails if any target crashes or breaks
# one of its checks; the input that did it is kept in
# build-sanitize/findings/<target>/.
#
#   scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
targets=(fuzz_receivedtext fuzz_linesettings)
# The log lives across inputs, so a leak check after each would scan it all;
# leaks still show at exit. Inputs may be long enough to fill several batches.
declare -A flags=(
  [fuzz_receivedtext]="-detect_leaks=0 -max_len=20000 -len_control=0"
  [fuzz_linesettings]=""
)

scripts/build.sh --sanitize "${targets[@]}"

export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14
export UBSAN_OPTIONS=print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/tests/fuzz/lsan.supp:print_suppressions=0"
failed=()
for target in "${targets[@]}"; do
  # A scratch corpus: what the run finds must not grow the checked-in one.
  corpus="build-sanitize/corpus/$target"
  findings="build-sanitize/findings/$target"
  rm -rf "$corpus" "$findings"
  mkdir -p "$corpus" "$findings"
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  read -ra extra <<<"${flags[$target]}"
  echo "fuzz: $target for ${seconds}s"
  if ! "build-sanitize/tests/fuzz/$target" -max_total_time="$seconds" -timeout=20 \
    -print_final_stats=1 -artifact_prefix="$findings/" "${extra[@]}" "$corpus"; then
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz: FAILED: ${failed[*]} (inputs in build-sanitize/findings/)" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} targets ran ${seconds}s each without a finding"
