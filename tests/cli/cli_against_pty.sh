#!/usr/bin/env bash
# End to end: lumivex-cli tests one LED through the real serial stack against lumivex-sim on a
# pseudo-terminal, once with lines and once with JSON (checked against the document's layout),
# stops with exit status 4 on a saturated LED, and refuses a missing port and a bad argument.
. "$(dirname "$0")/pty_common.sh"
serve sim --firmware 1007 --boards 2 --sensor-led 2:4:255,128,0:30000 --sensor-led 2:5:255,128,0:99999
out=$("$cli" test --port "$path" --board 2 --led 4 2>err.txt)
status=$?
[ $status -eq 0 ] || { echo "status $status"; cat err.txt; exit 1; }
expected='^Red: [0-9]+
Green: [0-9]+
Blue: [0-9]+
RED: [0-9]+
GREEN: [0-9]+
BLUE: [0-9]+
INTENSITY: [0-9]+ %
Hue: [0-9]+\.[0-9]{2}
Saturation: [0-9]+ %
Intensity: [0-9]+
X: 0\.[0-9]{4}
Y: 0\.[0-9]{4}
Color temperature: [0-9]+ K$'
[[ "$out" =~ $expected ]] || { echo "unexpected output:"; echo "$out"; exit 1; }
# Orange: red above green above blue.
red=$(sed -n 's/^RED: //p' <<<"$out"); green=$(sed -n 's/^GREEN: //p' <<<"$out"); blue=$(sed -n 's/^BLUE: //p' <<<"$out")
[ "$red" -gt "$green" ] && [ "$green" -gt "$blue" ] || { echo "not orange: $red $green $blue"; exit 1; }
grep -q 'Befehl getdistance4 2' Lumivex.log || { echo "the log misses the request"; exit 1; }

json=$("$cli" test --port "$path" --board 2 --led 4 --mode pwm --average 1 --json 2>err.txt) || { cat err.txt; exit 1; }
python3 -c '
import json, re, sys
doc = json.loads(sys.stdin.read())
def want(ok, what):
    if not ok:
        sys.exit("bad json: " + what)
want(doc["version"] == 2, "version")
want(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", doc["time"]), "time")
device = doc["device"]
want(device["port"] == sys.argv[1] and isinstance(device["firmware"], int) and device["firmware"] == 1007, "device")
want(all(isinstance(device[k], str) and device[k] for k in ("hardware", "serial")), "identity")
want((doc["board"], doc["led"], doc["mode"], doc["averaging"]) == (2, 4, "pwm", 1), "test")
names = ["counts.red", "counts.green", "counts.blue", "share.red", "share.green", "share.blue",
         "percent.intensity", "intensity", "hue", "saturation", "x", "y", "cct_k", "duv"]
values = doc["values"]
want(set(values) <= set(names), "unknown value names %s" % sorted(set(values) - set(names)))
want(all(set(v) == {"value", "status"} and v["status"] in ("ok", "overflow", "underflow", "invalid")
         and (v["value"] is None or type(v["value"]) in (int, float)) for v in values.values()), "value layout")
want(all(values[n]["status"] == "ok" for n in ("counts.red", "counts.green", "share.red", "intensity")), "statuses")
want(values["counts.red"]["value"] > values["counts.green"]["value"], "not orange")
want(doc["status"] in ("ok", "invalid"), "overall status")
' "$path" <<<"$json" || { echo "$json"; exit 1; }

# True when the Python expression $1 holds for the JSON document `doc` on standard input.
json_holds() { python3 -c "import json, sys; doc = json.load(sys.stdin); sys.exit(0 if ($1) else 1)"; }

manual=$("$cli" test --port "$path" --board 2 --led 4 --json 2>err.txt) || { cat err.txt; exit 1; }
json_holds 'doc["range"] == {"index": 5, "name": "MED 3x3 200ms"} and 1000 < doc["values"]["cct_k"]["value"] < 25000' \
    <<<"$manual" || { echo "bad manual test: $manual"; exit 1; }

# A saturated LED stops a production line: exit 4 with lines and with JSON alike.
"$cli" test --port "$path" --board 2 --led 5 >out.txt 2>err.txt
status=$?
[ $status -eq 4 ] && grep -q '^Intensity: 99999$' out.txt || { echo "saturated: status $status"; cat out.txt err.txt; exit 1; }
saturated=$("$cli" test --port "$path" --board 2 --led 5 --json 2>err.txt)
status=$?
[ $status -eq 4 ] || { echo "saturated json: status $status"; cat err.txt; exit 1; }
json_holds 'doc["status"] == "overflow" and doc["values"]["counts.red"]["status"] == "overflow"
    and doc["values"]["intensity"] == {"value": 99999, "status": "overflow"}' <<<"$saturated" \
    || { echo "saturated LED not reported: $saturated"; exit 1; }

"$cli" test --port /dev/no-such-port >/dev/null 2>err.txt
status=$?
[ $status -eq 1 ] && grep -q 'Cannot open COM port' err.txt || { echo "missing port: status $status"; cat err.txt; exit 1; }

"$cli" test --port "$path" --bogus >/dev/null 2>&1
[ $? -eq 2 ] || { echo "a usage error must exit 2"; exit 1; }
echo "lumivex-cli against lumivex-sim --pty: passed"
