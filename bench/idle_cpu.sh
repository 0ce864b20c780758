#!/usr/bin/env bash
# CPU time the tool's window takes while it waits for the operator: the tool
# of scripts/run (the built-in simulated recorder, its front panel beside it)
# in an X server of its own, measured after the start-up for SECONDS seconds:
# five minutes unless a shorter (or longer) run is asked for. The window is
# told of the model's changes and has no poll timer, so once idle it wakes
# only for the status bar's clock. Prints "idle_cpu_pct: N" (per cent of one
# core). TOOL is the program to measure, the default build's unless named
# (the test suite names its own build's).
#   bench/idle_cpu.sh [SECONDS [TOOL]]     run it under xvfb-run -a, after a build
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds=${1:-300}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || { echo "usage: bench/idle_cpu.sh [SECONDS [TOOL]]" >&2; exit 2; }
tool=${2:-"$root/build/default/src/rfadjust"}
[ -x "$tool" ] || { echo "idle_cpu: build the default preset first" >&2; exit 1; }

work=$(mktemp -d)
cp "$root"/demo/*.DAT "$work/"
(cd "$work" && TMPDIR="$work" exec "$tool") >"$work/tool.out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

# The start-up is over once the window carries the recorder's name.
started=no
for _ in $(seq 200); do
    xdotool search --name "^RF ADJUST TOOL : QT7310" >/dev/null 2>&1 && { started=yes; break; }
    sleep 0.1
done
[ "$started" = yes ] || echo "idle_cpu: no window named after the recorder in 20 s; measuring anyway" >&2
sleep 5  # the tape changer's first tape and the eject that follows

ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
before=$(ticks)
sleep "$seconds"
after=$(ticks)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" \
    'BEGIN { printf "idle_seconds: %d\nidle_cpu_pct: %.3f\n", s, 100 * t / hz / s }'
