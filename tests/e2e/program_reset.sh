#!/usr/bin/env bash
# The real tool in a real window (an X server of its own, Xvfb) on the real
# serial path (vtrsim on a pseudo-terminal): Program Reset, answered with the
# keyboard, restarts the tool and never ends it. Several restarts in a row,
# since a fault here showed only in some of them.
#   program_reset.sh RFADJUST VTRSIM [RESTARTS]
# Run it in an X server of its own (own_x_server.sh); it needs xdotool.
set -euo pipefail
rfadjust=$(realpath "$1") vtrsim=$(realpath "$2") restarts=${3:-5}

source "$(dirname "$(realpath "$0")")/window_rig.sh"

start_recorder --induce XYZ
start_tool
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
