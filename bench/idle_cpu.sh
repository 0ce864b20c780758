#!/usr/bin/env bash
# CPU time the tool's window takes while it waits for the operator: the tool
# of scripts/run (the built-in simulated recorder, its front panel beside it)
# in an X server of its own, measured after the start-up for SECONDS seconds
# (300 unless given). Prints "idle_cpu_pct: N" (per cent of one core).
#   bench/idle_cpu.sh [SECONDS]     run it under xvfb-run -a, after a build
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds=${1:-300}
tool="$root/build/default/src/rfadjust"
[ -x "$tool" ] || { echo "idle_cpu: build the default preset first" >&2; exit 1; }

work=$(mktemp -d)
cp "$root"/demo/*.DAT "$work/"
(cd "$work" && TMPDIR="$work" exec "$tool") >"$work/tool.out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

# The start-up is over once the window carries the recorder's name.
for _ in $(seq 200); do
    xdotool search --name "^RF ADJUST TOOL : QT7310" >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 5  # the tape changer's first tape and the eject that follows

ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "idle_seconds: %d\nidle_cpu_pct: %.3f\n", s, 100 * t / hz / s }'
