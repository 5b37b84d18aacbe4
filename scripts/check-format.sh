#!/bin/sh
# Checks that every tracked C++ file is formatted as .clang-format says
# (clang-format 14, the version of Debian 12) and changes nothing. Ends
# non-zero and names the files that differ; `clang-format -i FILE` mends
# them.
#
#   scripts/check-format.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v clang-format >/dev/null 2>&1 || { echo "check-format: clang-format is not installed" >&2; exit 1; }

report=$(mktemp)
trap 'rm -f "$report"' EXIT
# One run over every file; its lines say where each difference is.
if git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror 2>"$report"; then
    echo "check-format: $(git ls-files '*.cpp' '*.h' | wc -l) files formatted"
    exit 0
fi
cat "$report" >&2
echo "check-format: not formatted as .clang-format says (clang-format -i FILE):" >&2
sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*clang-format-violations.*/  \1/p' "$report" | sort -u >&2
exit 1
