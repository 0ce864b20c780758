#!/usr/bin/env bash
# The unattended runs an operator starts with scripts/run --demo: both
# programmes on every block of the built-in simulated recorder, from the demo
# folder's settings. Each must end cleanly, print its summary and leave the
# operation log of a finished run; the adjustment must leave no check failed.
#   demo_runs.sh RFADJUST DEMO_DIR
set -euo pipefail
tool=$1
demo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$demo"/*.DAT "$work/"
cd "$work"

fail() { echo "demo_runs: $*" >&2; exit 1; }

"$tool" --demo error-rate >error-rate.txt || fail "the error-rate demo failed: $(cat error-rate.txt)"
grep -q "^Error Rate programme on QT7310DMO_DEMO0001" error-rate.txt || fail "no error-rate summary"
grep -q '"QT7310DMO_DEMO0001 Rec Measure End"' QT7310AdjLog.txt || fail "error-rate log has no end"
# The simulated recorder is not adjusted before this run: its verdict names what fails.
grep -q "^Verdict: \(PASS\|FAIL: \)" error-rate.txt || fail "the error-rate summary ends without its verdict"

"$tool" --demo adjust --save adjust.dst >adjust.txt || fail "the adjust demo failed: $(cat adjust.txt)"
for text in "^Adjust programme on QT7310DMO_DEMO0001" "^Record blocks" "LevelRate" \
            "MAGVEX HDLP record heads, played back (Self)"; do
    grep -q "$text" adjust.txt || fail "the adjust summary lacks \"$text\""
done
if grep -q "FAIL" adjust.txt; then fail "a check failed in the adjust demo: $(grep FAIL adjust.txt)"; fi
grep -q '"QT7310DMO_DEMO0001  Play Adjust End"' QT7310AdjLog.txt || fail "no end of the playback adjustment"
grep -q '"QT7310DMO_DEMO0001 Rec Adjust End"' QT7310AdjLog.txt || fail "no end of the record adjustment"
# The adjustment report: named in the summary, written, and about this recorder.
report=$(sed -n 's/^Report: //p' adjust.txt)
[[ "$report" == reports/QT7310DMO_DEMO0001_*.pdf ]] || fail "the adjust summary names no report"
[[ -s "$report" ]] || fail "no report file $report"
text=$(pdftotext "$report" -)
grep -q "QT7310DMO_DEMO0001" <<<"$text" || fail "the report does not name the recorder"
grep -qx "Verdict: PASS" adjust.txt || fail "the adjust summary ends without its verdict"
grep -q "Verdict: PASS" <<<"$text" || fail "the report's first page has no verdict"
# The saved run: 44 lines and one per HDLP playback target; uploaded again.
[ "$(wc -l <adjust.dst)" -eq 49 ] || fail "adjust.dst has $(wc -l <adjust.dst) lines, not 49"
"$tool" --demo upload adjust.dst >upload.txt || fail "the upload demo failed: $(cat upload.txt)"
grep -q "^UpLoad of adjust.dst (QT7310DMO_DEMO0001)" upload.txt || fail "no upload summary"
# A recorder's history: five visits kept in the records store, a forecast for
# each head, and the store read back from the command line.
"$tool" --demo history --visits 5 >history.txt || fail "the history demo failed: $(cat history.txt)"
grep -q "5 visits of 500 drum hours, 10 runs in the records store" history.txt ||
    fail "the history demo kept other runs: $(head -1 history.txt)"
[ "$(grep -cE '^(L1|L2|R1|R2) +[0-9]+ ' history.txt)" -eq 4 ] || fail "not every head has a forecast"
[ "$("$tool" history QT7310DMO_DEMO0001 --csv | grep -c '^QT7310DMO_DEMO0001,')" -gt 100 ] ||
    fail "the store's history of the recorder is not there"
echo "demo_runs: both programmes ran to their end, the report written, their data saved and uploaded; a history kept and forecast"
