#!/usr/bin/env bash
# The real tool in a real window (an X server of its own, Xvfb) on the real
# serial path (vtrsim on a pseudo-terminal): Program Reset, answered with the
# keyboard, restarts the tool and never ends it. Several restarts in a row,
# since a fault here showed only in some of them.
#   program_reset.sh RFADJUST VTRSIM [RESTARTS]
# Run it under xvfb-run; it needs xdotool.
set -euo pipefail
rfadjust=$(realpath "$1") vtrsim=$(realpath "$2") restarts=${3:-5}

work=$(mktemp -d)
pids=()
cleanup() {
    # The tool first, then the recorder it talks to: SIGTERM closes the tool
    # through its close, which still talks to the recorder.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null && wait "${pids[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    echo "--- operation log" >&2
    cat "$work/QT7310AdjLog.txt" >&2 2>/dev/null || true
    echo "--- the tool said" >&2
    cat "$work/tool.out" >&2 2>/dev/null || true
    exit 1
}

# Waits (up to 20 s) for a window whose title matches, and prints its id.
window() {
    for _ in $(seq 200); do
        xdotool search --name "$1" 2>/dev/null | head -n 1 && return 0
        kill -0 "$tool" 2>/dev/null || fail "the tool ended while waiting for \"$1\""
        sleep 0.1
    done
    fail "no window \"$1\""
}
keys() {
    xdotool windowfocus --sync "$1"
    shift
    xdotool key --delay 80 "$@"
}

printf '10,20,30\r\n' >"$work/DVTRRF.DAT"
printf '"%s","9600","N","8","1"\r\n' "$work/vtr" >"$work/RSSET.DAT"
"$vtrsim" --induce XYZ "$work/vtr" </dev/null >"$work/vtrsim.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/vtr" ] && break; sleep 0.05; done
[ -e "$work/vtr" ] || fail "vtrsim made no port"

# Its own temporary directory: the single-instance lock lives there, so a
# copy of the tool running elsewhere on the machine does not stop this one.
(cd "$work" && TMPDIR="$work" exec "$rfadjust") >"$work/tool.out" 2>&1 &
tool=$!
pids+=("$tool")
main=$(window "^RF ADJUST TOOL : QT7310XYZ_")

for n in $(seq "$restarts"); do
    # Program menu, then up past END to Program Reset. While the connection
    # check still runs the choice is not taken: try again.
    box=
    for _ in $(seq 20); do
        keys "$main" alt+p Up Up Return
        sleep 0.5
        box=$(xdotool search --name "^RESTART$" 2>/dev/null | head -n 1) && [ -n "$box" ] && break
    done
    [ -n "$box" ] || fail "restart $n: Program Reset showed no \"ReStart OK ?\""
    keys "$box" Return
    main=$(window "^RF ADJUST TOOL : QT7310XYZ_")
    sleep 1.5  # the end, when it came, came about half a second after the box
    kill -0 "$tool" 2>/dev/null || fail "restart $n ended the program"
    xdotool search --onlyvisible --name "^RF ADJUST TOOL : QT7310XYZ_" >/dev/null ||
        fail "restart $n left the window hidden"
done

# Every restart closed the log with a date line and opened it with another.
lines=$(grep -c '^"[0-9][0-9]-[0-9][0-9]-[0-9]\{4\}",' "$work/QT7310AdjLog.txt")
[ "$lines" -eq $((1 + 2 * restarts)) ] || fail "$lines date lines after $restarts restarts"
echo "program_reset: $restarts restarts, the tool still running"
