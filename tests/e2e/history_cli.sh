#!/usr/bin/env bash
# The records store's history from the command line: the history files a save
# wrote read into the store (a second time nothing is new; a damaged save is
# named by its file and line; a missing file fails), then the recorder's
# history as CSV, and a recorder the store does not know.
#   history_cli.sh RFADJUST DEMO_DIR
set -euo pipefail
tool=$(realpath "$1")
demo=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$demo"/*.DAT "$work/"
cd "$work"
# Qt warns on standard error without a runtime directory: the test reads it.
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run

fail() { echo "history_cli: $*" >&2; exit 1; }
expect() {  # what was said, what should have been
  [ "$1" = "$2" ] || fail "$(printf 'said:\n%s\nexpected:\n%s' "$1" "$2")"
}

"$tool" --demo adjust --save run.dst >/dev/null || fail "the adjust demo failed"
said=$("$tool" history import QT7310Err.dat QT7310Evr.dat) || fail "the import failed: $said"
expect "$said" "QT7310Err.dat: 1 run added, 0 already there, 0 problems
QT7310Evr.dat: 1 run added, 0 already there, 0 problems"

# The same file again with one more save, whose data line is cut short.
short=$(($(wc -l <QT7310Err.dat) + 2))
{ cat QT7310Err.dat; echo '"12-09-2026","10:00:00","QT7310DMO_DEMO0001"'; echo '-4.5,-4.6'; } >more.dat
said=$("$tool" history import more.dat QT7310Evr.dat) || fail "the second import failed: $said"
[[ "$said" == "more.dat: 0 runs added, 1 already there, 1 problem
  more.dat: line $short: "*"
QT7310Evr.dat: 0 runs added, 1 already there, 0 problems" ]] || fail "the second import said: $said"

if said=$("$tool" history import missing.dat 2>&1 >/dev/null); then fail "a missing file was read"; fi
[[ "$said" == *"rfadjust: "*"missing.dat"* ]] || fail "a missing file was said as: $said"

# The save's rows: its error rates and values as left, by date (no drum hours).
"$tool" history QT7310DMO_DEMO0001 --csv >history.csv || fail "the CSV failed"
expect "$(head -1 history.csv)" "recorder,block,head,quantity,kind,drum hours,date,value,limit"
expect "$(grep -c '^QT7310DMO_DEMO0001,.*,left,,[0-9-]*T' history.csv)" "$(($(wc -l <history.csv) - 1))"
grep -qx 'QT7310DMO_DEMO0001,"MAGVEX HDLP,18000rpm,RP,RP,RP",L1,error rate Master VIDEO,left,,[0-9T:-]*,-4.6846504,-3.1' \
  history.csv || fail "the CSV lacks the first error rate of the save"

if said=$("$tool" history QT7310XYZ_SN9 --csv 2>&1 >/dev/null); then fail "an unknown recorder printed a history"; fi
expect "$said" "rfadjust: no recorder \"QT7310XYZ_SN9\" in the records store (SQLite file $work/rfadjust-records.sqlite); it knows QT7310DMO_DEMO0001"
echo "history_cli: imported, imported again, the CSV printed, an unknown recorder refused"
