#!/usr/bin/env bash
# End to end over a pseudo-terminal: however lumivex-sim shapes its replies on the line (line
# ends, two-line replies, long identity replies, pieces with gaps, junk bytes, a slow line),
# lumivex-cli must print exactly what it prints on a clean line, and succeed.
. "$(dirname "$0")/pty_common.sh"

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
    # shellcheck disable=SC2086 # the flags are words on purpose
    serve "$1" --firmware 1007 --boards 2 $2
    # --details: the identity, offset and distance fields are compared too.
    "$cli" test --port "$path" --board 2 --led 4 --details --json >"out.$1" 2>"err.$1"
    echo $? >"status.$1"
    # The time stamp and the pseudo-terminal's name differ from run to run.
    sed -i -E 's/"time": "[^"]*"/"time": ""/; s/"port": "[^"]*"/"port": ""/' "out.$1"
    kill "${pids[-1]}"
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
        [ "$status" -eq 0 ] && [ ! -s err.0 ] || fail "the clean run failed (status $status):" out.0 err.0
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
