#!/usr/bin/env bash
# End to end: lumivex-cli measures the list of two boards through the real serial stack against
# lumivex-sim on a pseudo-terminal: once from a settings file, kept as the reference with its test
# report, then once more against that reference, which the same LEDs pass.
set -u
sim=$1
cli=$2
work=$(mktemp -d)
trap 'kill $simpid 2>/dev/null; wait $simpid 2>/dev/null; rm -rf "$work"' EXIT

coproc SIM { exec "$sim" --pty --boards 2 --firmware 2002; }
simpid=$SIM_PID
read -r -t 5 path <&"${SIM[0]}" || { echo "lumivex-sim printed no path"; exit 1; }
[ -e "$path" ] || { echo "no pseudo-terminal at '$path'"; exit 1; }
cd "$work" || exit 1

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

"$cli" measure --port "$path" --settings line.cfg --reference golden.ref >/dev/null 2>&1
[ $? -eq 2 ] || { echo "a usage error must exit 2"; exit 1; }
echo "lumivex-cli measure against lumivex-sim --pty: passed"
