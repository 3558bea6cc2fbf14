#!/usr/bin/env bash
# Checks that the tracked C++ sources are as clang-format (.clang-format) would
# write them, without changing any. Lists the files that are not; run
# `clang-format -i FILE` on them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

listed=$(git ls-files '*.cpp' '*.h')
[ -n "$listed" ] || { echo "check-format: git lists no C++ sources" >&2; exit 1; }
# Tracked files deleted from the working tree are left to the commit.
files=()
while IFS= read -r file; do
  if [ -f "$file" ]; then files+=("$file"); fi
done <<<"$listed"

if report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
  echo "check-format: ${#files[@]} files formatted ($(clang-format --version))"
  exit 0
fi
echo "$report" >&2
echo "check-format: not formatted as .clang-format says:" >&2
# clang-format names the file at the start of each finding: "path:line:col: error: ...".
grep -oE '^[^ :]+:[0-9]+:[0-9]+: (error|warning)' <<<"$report" | cut -d: -f1 | sort -u | sed 's/^/  /' >&2
exit 1
