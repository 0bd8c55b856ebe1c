#!/usr/bin/env bash
# End to end: lumivex-cli measures the list of two boards through the real serial stack against
# lumivex-sim on a pseudo-terminal: once from a settings file, kept as the reference with its test
# report, then once more against that reference, which the same LEDs pass; against a device with
# one dimmer LED the run fails with that sensor named; and as a line station started by the
# device's input signal. The simulators' traces show what the pass/fail outputs did.
. "$(dirname "$0")/pty_common.sh"
# Two boards at firmware 2002; the trace shows the outputs switched.
serve2() { serve "$1" --boards 2 --firmware 2002 --verbose "${@:2}"; }
# The last state the device's outputs were switched to.
last_outputs() { grep '^! outputs' "$work/$1.trace" | tail -n 1; }

serve2 golden --sensor-led 2:4:255,128,0:30000

# One 68-byte settings record: manual capture at 200 ms, 3 x 3, user time 800, gain 100, offsets
# 0.0000, intensity within 10 %, x and y within 0.01, distance 2.0; its capture time still to be
# sent.
record() {
    local i
    i=$(printf '\\x%02x' "$1")
    printf "$i\\x00$i\\x00"
    printf '\x00\x02\x00\x00\x20\x03\x64\x00'
    printf '0.0000\x00\x000.0000\x00\x00'
    printf '\x0a\x00\x00\x00\x05\x40\x02\x00\x00\x00\x00\x00\x0a\xd7\x23\x3c'
    printf '2.0\x00\x00\x00\x00\x00'
    printf '\x00%.0s' {1..16}
}
for n in 1 2 3 4 5 6 7 8 9 10; do record "$n"; done >line.cfg
[ "$(wc -c <line.cfg)" -eq 680 ] || { echo "the settings file is not ten records"; exit 1; }

out=$("$cli" measure --port "$path" --settings line.cfg --save-reference golden.ref --report report.txt 2>err.txt)
status=$?
[ $status -eq 0 ] || { echo "first run: status $status"; cat err.txt; exit 1; }
[ "$(grep -c 'MAN-MED  3 x 3  ---$' <<<"$out")" -eq 10 ] || { echo "first run: not ten measured rows:"; echo "$out"; exit 1; }
[ -s golden.ref ] && [ -s golden.dat ] || { echo "no reference written"; exit 1; }
grep -q 'Comparison' report.txt || { echo "no test report written"; exit 1; }
grep -q 'Befehl setcaptime2' Lumivex.log || { echo "the pending settings were not sent"; exit 1; }

json=$("$cli" measure --port "$path" --reference golden.ref --json 2>err.txt)
status=$?
[ $status -eq 0 ] || { echo "second run: status $status"; cat err.txt; echo "$json"; exit 1; }
[[ "$json" == *'"summary": {"sensors": 10, "measured": 10, "compared": 10, "passed": 10, "failed": 0, "result": "passed"}}' ]] \
    || { echo "second run: unexpected JSON:"; echo "$json"; exit 1; }

[ "$(last_outputs golden)" = "! outputs 0=off 1=on" ] || { echo "a pass must switch output 1 on alone:"; cat golden.trace; exit 1; }

"$cli" measure --port "$path" --settings line.cfg --reference golden.ref >/dev/null 2>&1
[ $? -eq 2 ] || { echo "a usage error must exit 2"; exit 1; }

serve2 dimmer --sensor-led 2:4:255,128,0:15000
out=$("$cli" measure --port "$path" --reference golden.ref 2>err.txt)
status=$?
[ $status -eq 3 ] || { echo "dimmer LED: status $status"; cat err.txt; echo "$out"; exit 1; }
failing=$(grep -c 'Error' <<<"$out")
[ "$failing" -eq 1 ] && grep -Eq '^9 .*Error -I-$' <<<"$out" || { echo "dimmer LED: sensor 9 alone must fail:"; echo "$out"; exit 1; }
[ "$(last_outputs dimmer)" = "! outputs 0=on 1=off" ] || { echo "a fail must switch output 0 on alone:"; cat dimmer.trace; exit 1; }

# The line station: the device signals a start 1.5 s after it came up; one JSON line, then Ctrl-C.
serve2 station --sensor-led 2:4:255,128,0:30000 --input-io 2@1500
exec {out}< <(exec "$cli" measure --port "$path" --reference golden.ref --on-input 2>station.err)
clipid=$!
pids+=($clipid)
read -r -t 20 line <&"$out" || { echo "station: no result line"; cat station.err; exit 1; }
[[ "$line" == '{"run": 1, "firmware": 2002, '*'"result": "passed"}}' ]] || { echo "station: unexpected line: $line"; exit 1; }
kill -INT $clipid
wait $clipid
status=$?
[ $status -eq 0 ] || { echo "station: status $status after SIGINT"; cat station.err; exit 1; }
[ "$(last_outputs station)" = "! outputs 0=off 1=off" ] || { echo "station: outputs not switched off at the end:"; cat station.trace; exit 1; }
echo "lumivex-cli measure against lumivex-sim --pty: passed"
