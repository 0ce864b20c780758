# The rig of the window tests, sourced by them: a working directory of its
# own, the processes started (ended in reverse at exit: the tool first, then
# the recorder its close still talks to), failing with the operation log and
# what the tool said, waiting for windows and typing into them with xdotool.
# The test sets `rfadjust` and `vtrsim` first; `tool` is the tool's process.

# A sanitizer build checks for leaks at exit (e2e/lsan.supp: not the tool's).
export LSAN_OPTIONS="suppressions=$(dirname "${BASH_SOURCE[0]}")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

work=$(mktemp -d)
pids=()
tool=
cleanup() {
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

# Waits (up to $2 s, 20 by default) for a shown window whose title matches,
# and prints its id.
window() {
    for _ in $(seq $((${2:-20} * 10))); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 && return 0
        [ -z "$tool" ] || kill -0 "$tool" 2>/dev/null ||
            fail "the tool ended while waiting for \"$1\""
        sleep 0.1
    done
    fail "no window \"$1\""
}
keys() {
    xdotool windowfocus --sync "$1"
    shift
    xdotool key --delay 80 "$@"
}

# The simulated recorder on a pseudo-terminal, with vtrsim's options, and the
# settings files that lead the tool to it.
start_recorder() {
    printf '10,20,30\r\n' >"$work/DVTRRF.DAT"
    printf '"%s","9600","N","8","1"\r\n' "$work/vtr" >"$work/RSSET.DAT"
    "$vtrsim" "$@" "$work/vtr" </dev/null >"$work/vtrsim.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -e "$work/vtr" ] && break; sleep 0.05; done
    [ -e "$work/vtr" ] || fail "vtrsim made no port"
}

# The tool in the working directory, with its own temporary directory: the
# single-instance lock lives there, so a copy of the tool running elsewhere
# on the machine does not stop this one.
start_tool() {
    (cd "$work" && TMPDIR="$work" exec "$rfadjust") >"$work/tool.out" 2>&1 &
    tool=$!
    pids+=("$tool")
}
