#!/usr/bin/env bash
# End to end: lumivex-cli runs a stability analysis of a drifting LED through the real serial stack
# against lumivex-sim on a pseudo-terminal, prints the readings as they arrive and writes the
# report with its data file; lumivex-cli inspect reads the data file back.
. "$(dirname "$0")/pty_common.sh"
serve sim --firmware 1007 --sensor-led 1:3:0,128,255:20000 --drift 1:3:300

out=$("$cli" stability --port "$path" --led 3 --range 1 --readings 20 --csv --report "$work/r.txt" 2>err.txt)
status=$?
[ $status -eq 0 ] || { echo "stability: status $status"; cat err.txt; exit 1; }
[ "$(head -n 1 <<<"$out")" = "reading,red,green,blue,intensity,hue,saturation,x,y" ] || { echo "unexpected head:"; echo "$out"; exit 1; }
[ "$(wc -l <<<"$out")" -eq 21 ] || { echo "not twenty readings:"; echo "$out"; exit 1; }
first=$(sed -n 2p <<<"$out" | cut -d, -f5)
last=$(sed -n 21p <<<"$out" | cut -d, -f5)
[ "$last" -gt "$first" ] || { echo "the drift does not show: $first then $last"; exit 1; }
grep -q '^Intensity: mean ' err.txt || { echo "no statistics:"; cat err.txt; exit 1; }
grep -q 'Board: 1 Sensor: 3 Time: 10ms Area: 3x3' r.txt || { echo "report without its title:"; cat r.txt; exit 1; }

# --quiet leaves the progress lines out; --log puts the log elsewhere.
mkdir logs
logged=$(cat Lumivex.log 2>/dev/null | wc -c)
"$cli" stability --port "$path" --led 3 --readings 3 --json --quiet --log logs/s.log >quiet.json 2>err.txt
status=$?
[ $status -eq 0 ] && python3 -c 'import json, sys; json.load(sys.stdin)' <quiet.json || { echo "quiet: status $status"; cat err.txt; exit 1; }
! grep -q 'reading [0-9]* of' err.txt || { echo "--quiet printed progress:"; cat err.txt; exit 1; }
grep -q 'Log - START' logs/s.log || { echo "no log at --log"; exit 1; }
[ "$(cat Lumivex.log 2>/dev/null | wc -c)" -eq "$logged" ] || { echo "--log wrote Lumivex.log as well"; exit 1; }

json=$("$cli" inspect r.dat --json)
[ $? -eq 0 ] || { echo "inspect failed"; exit 1; }
[[ "$json" == *'"kind": "stability-data", "N": 20, "readingsHeld": 20'* ]] || { echo "inspect: $json" | head -c 400; exit 1; }
[[ "$json" == *"\"ReadingNo\": 20, "*"\"Intensity\": $last, "* ]] || { echo "inspect lost reading 20"; exit 1; }
echo "lumivex-cli stability and inspect against lumivex-sim --pty: passed"
