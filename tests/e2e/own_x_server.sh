#!/usr/bin/env bash
# Runs a command in an X server of its own: Xvfb picks a free display itself
# and says which (-displayfd), so servers started at the same moment by tests
# running in parallel never take the same one (xvfb-run -a can).
#   own_x_server.sh [WIDTHxHEIGHT] COMMAND [ARGUMENTS...]
set -uo pipefail
screen=1280x1024
if [[ ${1:-} =~ ^[0-9]+x[0-9]+$ ]]; then
    screen=$1
    shift
fi
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.out" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
if [ ! -s "$work/display" ]; then
    echo "own_x_server: no X server: $(cat "$work/xvfb.out")" >&2
    exit 1
fi
DISPLAY=":$(cat "$work/display")" "$@"
