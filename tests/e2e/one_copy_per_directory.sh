#!/usr/bin/env bash
# The real tool in a real window (Xvfb) on the real serial path (vtrsim on a
# pseudo-terminal), two recorders on one machine: a second copy in the same
# directory says so on stderr and in a box and fails; a copy in another
# directory runs beside the first. Then SIGTERM ends the first through its
# close (exit status 0, the log's closing date line); the other, whose recorder
# stops answering so that its close waits, is ended at once by the third signal.
#   one_copy_per_directory.sh RFADJUST VTRSIM
# Run it under xvfb-run; it needs xdotool.
set -euo pipefail
rfadjust=$(realpath "$1") vtrsim=$(realpath "$2")
# A sanitizer build checks for leaks at exit, where the exit status is asserted.
export LSAN_OPTIONS="suppressions=$(dirname "$(realpath "$0")")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

root=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill -9 "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$root"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    for d in "$root"/*/; do
        echo "--- $d: log, then what the tool said" >&2
        cat "$d/QT7310AdjLog.txt" "$d/tool.out" >&2 2>/dev/null || true
    done
    exit 1
}

# A directory with its own recorder, whose front panel is written through
# descriptor $2.
start() {
    local work="$root/$1"
    mkdir -p "$work"
    printf '10,20,30\r\n' >"$work/DVTRRF.DAT"
    printf '"%s","9600","N","8","1"\r\n' "$work/vtr" >"$work/RSSET.DAT"
    mkfifo "$work/panel"
    "$vtrsim" --induce XYZ "$work/vtr" <"$work/panel" >"$work/vtrsim.out" 2>&1 &
    pids+=($!)
    eval "exec $2<>\"\$work/panel\""
    for _ in $(seq 100); do [ -e "$work/vtr" ] && break; sleep 0.05; done
    [ -e "$work/vtr" ] || fail "vtrsim made no port in $1"
}
run_tool() { (cd "$root/$1" && exec "$rfadjust") >"$root/$1/tool.out" 2>&1 & }
windows() { xdotool search --name "^RF ADJUST TOOL : QT7310XYZ_" 2>/dev/null | wc -l; }
wait_for() {
    for _ in $(seq 200); do eval "$1" && return 0; sleep 0.1; done
    fail "$2"
}

start a 3
start b 4
run_tool a
first=$!
pids+=("$first")
wait_for '[ "$(windows)" -ge 1 ]' "the first copy showed no window"

# The second copy in the same directory: its box, then a failure.
(cd "$root/a" && exec "$rfadjust") >"$root/second.out" 2>&1 &
second=$!
pids+=("$second")
box=
wait_for 'box=$(xdotool search --name "^RF ADJUST TOOL$" 2>/dev/null | head -n 1) && [ -n "$box" ]' \
    "the second copy showed no box"
xdotool windowfocus --sync "$box" key Return
status=0
wait "$second" || status=$?
[ "$status" -ne 0 ] || fail "the second copy exited with status 0"
grep -q "another copy of the tool is already running in $root/a (process $first)" "$root/second.out" ||
    fail "the second copy did not say why: $(cat "$root/second.out")"

# A copy in another directory runs beside the first.
run_tool b
third=$!
pids+=("$third")
wait_for '[ "$(windows)" -ge 2 ]' "the copy in another directory showed no window"

kill -TERM "$first"
status=0
wait "$first" || status=$?
[ "$status" -eq 0 ] || fail "SIGTERM ended the first copy with status $status"
# The opening date line and the closing one, which ends the log.
lines=$(grep -c '^"[0-9][0-9]-[0-9][0-9]-[0-9]\{4\}",' "$root/a/QT7310AdjLog.txt")
[ "$lines" -eq 2 ] || fail "$lines date lines, not the opening and the closing one"
tail -n 1 "$root/a/QT7310AdjLog.txt" | grep -q '^"[0-9][0-9]-[0-9][0-9]-[0-9]\{4\}",' ||
    fail "the log does not end with the closing date line"

echo "fault noreply 3" >&4
sleep 0.5
for _ in 1 2 3; do kill -TERM "$third"; sleep 0.3; done
status=0
wait "$third" || status=$?
[ "$status" -eq 143 ] || fail "three SIGTERMs ended the closing copy with status $status, not 143"
echo "one_copy_per_directory: the second copy refused, two directories served, SIGTERM closed the first copy, the third one ended the other at once"
