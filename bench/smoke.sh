#!/usr/bin/env bash
# The test suite's run of a benchmark: the program must exit 0 and print every
# figure named, as "name: value" lines. The values are not judged: they depend
# on the machine and its load.
#   bench/smoke.sh "FIGURE..." PROGRAM [ARGUMENTS...]
set -uo pipefail
figures=$1
shift
out=$("$@")
rc=$?
printf '%s\n' "$out"
[ "$rc" -eq 0 ] || { echo "smoke: $1 exited $rc" >&2; exit 1; }
for f in $figures; do
    grep -q "^$f: " <<<"$out" || { echo "smoke: $1 printed no $f" >&2; exit 1; }
done
