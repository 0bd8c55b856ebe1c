#!/usr/bin/env bash
# End to end over a pseudo-terminal: however lumivex-sim shapes its replies on the line (line
# ends, two-line replies, long identity replies, pieces with gaps, junk bytes, a slow line),
# lumivex-cli must print exactly what it prints on a clean line, and succeed.
set -u
sim=$(realpath "$1")
cli=$(realpath "$2")
work=$(mktemp -d)
simpid=
trap '[ -n "$simpid" ] && { kill $simpid 2>/dev/null; wait $simpid 2>/dev/null; }; rm -rf "$work"' EXIT
cd "$work" || exit 1

# One row per case: "name|simulator flags". The first row is the clean line all others must match.
cases=(
    "clean|"
    "lf|--line-end lf"
    "crlf paced 9600|--line-end crlf --pace 9600"
    "two-line paced|--multiline --pace 9600"
    "long id byte by byte|--long-id --chunk 1"
    "usb bursts|--chunk 5 --chunk-gap-ms 16"
    "crlf split between cr and lf|--line-end crlf --chunk 2 --chunk-gap-ms 16"
    "slow line|--pace 300"
    "noise|--noise"
    "crlf two-line long id|--line-end crlf --multiline --long-id"
    "lf two-line bursts noise|--line-end lf --multiline --chunk 3 --chunk-gap-ms 16 --noise"
    "crlf long id paced bursts|--line-end crlf --long-id --pace 115200 --chunk 8"
)

# Runs one case: its stdout, stderr and exit status into files named after the row number.
run_case() {
    local row=$1 flags=$2 path
    # shellcheck disable=SC2086 # the flags are words on purpose
    coproc SIM { exec "$sim" --pty --firmware 1007 --boards 2 $flags; }
    simpid=${SIM_PID:-}
    if [ -z "$simpid" ] || ! read -r -t 5 path <&"${SIM[0]}" || [ ! -e "$path" ]; then
        : >"out.$row"
        echo "lumivex-sim printed no path" >"err.$row"
        echo 99 >"status.$row"
    else
        # --details: the identity, offset and distance fields are compared too.
        "$cli" test --port "$path" --board 2 --led 4 --details --json >"out.$row" 2>"err.$row"
        echo $? >"status.$row"
        # The time stamp and the pseudo-terminal's name differ from run to run.
        sed -i -E 's/"time": "[^"]*"/"time": ""/; s/"port": "[^"]*"/"port": ""/' "out.$row"
    fi
    if [ -n "$simpid" ]; then
        kill "$simpid" 2>/dev/null
        wait "$simpid" 2>/dev/null
    fi
    simpid=
}

# One field of the JSON object per line.
fields() { sed 's/, "/,\n"/g' "$1"; }

failed=0
for row in "${!cases[@]}"; do
    name=${cases[$row]%%|*}
    flags=${cases[$row]#*|}
    run_case "$row" "$flags"
    status=$(cat "status.$row")
    if [ "$row" -eq 0 ]; then
        if [ "$status" -ne 0 ] || [ -s err.0 ]; then
            echo "the clean run failed (status $status):"
            cat out.0 err.0
            exit 1
        fi
        continue
    fi
    if [ "$status" -ne 0 ] || ! cmp -s "out.$row" out.0 || ! cmp -s "err.$row" err.0; then
        failed=$((failed + 1))
        echo "FAILED: $name ($flags): status $status"
        diff <(fields out.0) <(fields "out.$row") | sed -n 's/^</    want/p; s/^>/    got /p'
        sed 's/^/    stderr: /' "err.$row"
    fi
done
[ "$failed" -eq 0 ] || { echo "$failed of $((${#cases[@]} - 1)) cases differ from the clean line"; exit 1; }
echo "lumivex-cli against lumivex-sim --pty, $((${#cases[@]} - 1)) reply shapes: passed"
