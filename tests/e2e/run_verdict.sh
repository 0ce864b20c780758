#!/usr/bin/env bash
# The run's verdict as the operator sees it: the real tool in a real window
# (Xvfb) on the real serial path (vtrsim on a pseudo-terminal, the tape changer
# on), two Error Rate runs chosen, started and answered with the keyboard, about
# a minute of recorder time each. The DV playback block alone, on a fresh
# recorder, fails and names each head above its limit with its value; then the
# HDSP playback block alone passes, none of the first run's items left in it.
# The verdict is read from its window: Ctrl+C there copies what it shows.
#   run_verdict.sh RFADJUST VTRSIM
# Run it in an X server of its own (own_x_server.sh); it needs xdotool and xclip.
set -euo pipefail
rfadjust=$(realpath "$1") vtrsim=$(realpath "$2")
source "$(dirname "$(realpath "$0")")/window_rig.sh"

# Waits (up to 10 s) for the verdict window to show $2, as Ctrl+C there
# copies it; run $1 fails with what it showed last.
verdict() {
    local box said=
    for _ in $(seq 20); do
        box=$(window "^Run Verdict$")
        keys "$box" ctrl+c
        sleep 0.5
        said=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
        [ "$said" = "$2" ] && return 0
    done
    fail "$1: the verdict window showed
$said
and not
$2"
}
# The blocks the last run started, as the log names them.
blocks() {
    tr -d '\r' <"$work/QT7310AdjLog.txt" |
        sed -n '/Play Measure Start"$/h; /Play Measure Start"$/!H; ${x;p}' |
        sed -n 's/^"\(.*\) Start !"$/\1/p'
}
# The number of programme ends in the log.
ends() { grep -c "Play Measure End" "$work/QT7310AdjLog.txt" || true; }

# One Error Rate run of the playback block on page $1 of the block selection
# (3 HDSP PB, 5 DV PB) alone, as the operator makes it; waits for its end.
run() {
    local main box before
    before=$(ends)
    main=$(window "^RF ADJUST TOOL : QT7310DMO_")
    # Error Rate; a click in the logger (the window raised above the result
    # windows) gives it the focus, and the pages come after it.
    keys "$main" F2
    xdotool windowraise "$main"
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove --window "$main" $((WIDTH / 5)) $((HEIGHT / 2)) click 1
    # PB on the first page (each option is a stop of its own), then back to
    # the page tabs; every playback block is chosen.
    keys "$main" Tab Tab Tab space shift+Tab shift+Tab
    # HDLP PB: its five blocks off. Then HDSP PB, 50/25 PB, DV PB, one
    # block each, off unless it is the one.
    keys "$main" Right Tab space Tab space Tab space Tab space Tab space \
        shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
    for page in 3 4 5; do
        keys "$main" Right
        [ "$page" -eq "$1" ] || keys "$main" Tab space shift+Tab
    done
    keys "$main" F5
    box=$(window "^VTR No Input$")
    keys "$box" ctrl+a
    xdotool type --delay 80 "E2E0001"
    keys "$box" Return
    for _ in $(seq 1800); do
        [ "$(ends)" -gt "$before" ] && return 0
        kill -0 "$tool" 2>/dev/null || fail "the tool ended during the run"
        sleep 0.1
    done
    fail "the run on page $1 did not end within three minutes"
}

# The recorder the demo runs on (seed 1, induce code DMO), the changer
# loading the tapes.
start_recorder --changer --induce DMO
start_tool
main=$(window "^RF ADJUST TOOL : QT7310DMO_")
# The connection check refuses the menus until it is done: Help > Version
# (the last item, one up from the first) shows its window only then.
for _ in $(seq 40); do
    keys "$main" alt+h Up Return
    sleep 0.5
    box=$(xdotool search --onlyvisible --name "^Version Infomation$" 2>/dev/null | head -n 1) &&
        [ -n "$box" ] && break
done
[ -n "$box" ] || fail "the connection check did not end"
keys "$box" Escape

# DV,9000rpm alone: three heads above the limit, by their values; L2 (-4.79)
# within it.
run 5
[ "$(blocks)" = "DV,9000rpm" ] || fail "the DV run measured: $(blocks)"
verdict "DV alone" "FAIL
Error Rate
DV,9000rpm: error rate L1 -3.66 above its limit -4.30
DV,9000rpm: error rate R1 -3.76 above its limit -4.30
DV,9000rpm: error rate R2 -3.86 above its limit -4.30"

# HDSP alone: every head within its limit, and nothing of the run before.
run 3
[ "$(blocks)" = "MAGVEX HDSP,19800rpm" ] || fail "the HDSP run measured: $(blocks)"
verdict "HDSP alone" "PASS
Error Rate: every value within its limit"
echo "run_verdict: DV alone FAIL naming L1, R1 and R2; HDSP alone PASS"
