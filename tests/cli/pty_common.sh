# Shared by the pty scripts: lumivex-sim ($1) and lumivex-cli ($2), a scratch folder as the working
# directory, and every simulator started here stopped at the end.
set -u
sim=$(realpath "$1")
cli=$(realpath "$2")
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1

# Prints $1 and the files named after it, then fails the test.
fail() { echo "$1"; shift; (($#)) && cat "$@"; exit 1; }

# Starts lumivex-sim --pty with the options after $1, its stderr in $1.trace; sets $path.
serve() {
    local name=$1
    shift
    exec {simfd}< <(exec "$sim" --pty "$@" 2>"$work/$name.trace")
    pids+=($!)
    read -r -t 5 path <&"$simfd" || fail "lumivex-sim ($name) printed no path"
    [ -e "$path" ] || fail "no pseudo-terminal at '$path'"
}
