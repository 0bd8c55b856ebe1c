#!/usr/bin/env bash
# End to end: lumivex-cli tests one LED through the real serial stack against lumivex-sim on a
# pseudo-terminal, once with lines and once with JSON, then finds the device with --port Auto
# refused cleanly when nothing answers.
set -u
sim=$1
cli=$2
work=$(mktemp -d)
trap 'kill $simpid 2>/dev/null; wait $simpid 2>/dev/null; rm -rf "$work"' EXIT

coproc SIM { exec "$sim" --pty --firmware 1007 --boards 2 --sensor-led 2:4:255,128,0:30000; }
simpid=$SIM_PID
read -r -t 5 path <&"${SIM[0]}" || { echo "lumivex-sim printed no path"; exit 1; }
[ -e "$path" ] || { echo "no pseudo-terminal at '$path'"; exit 1; }

cd "$work"
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
[[ "$json" == '{"Red": "'* ]] && [[ "$json" == *'"Color temperature": "'*' K"}' ]] || { echo "bad json: $json"; exit 1; }

"$cli" test --port /dev/no-such-port >/dev/null 2>err.txt
status=$?
[ $status -eq 1 ] && grep -q 'Cannot open COM port' err.txt || { echo "missing port: status $status"; cat err.txt; exit 1; }

"$cli" test --port "$path" --bogus >/dev/null 2>&1
[ $? -eq 2 ] || { echo "a usage error must exit 2"; exit 1; }
echo "lumivex-cli against lumivex-sim --pty: passed"
