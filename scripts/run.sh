#!/usr/bin/env bash
# Builds Lumivex and starts it on its built-in simulated sensor device, in the working folder
# build/run (its Lumivex.ini and Lumivex.log live there). Extra arguments go to the program.
# Without a display the window cannot open: a headless single-LED test runs instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
lumivex_install_deps
lumivex_build
build="${LUMIVEX_BUILD_DIR:-$root/build}"
mkdir -p "$build/run"
cd "$build/run"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set): running a headless test instead."
    echo "To see the window, run this script on a desktop, or under a virtual X server:"
    echo "  cd $build/run && xvfb-run -a $build/apps/lumivex/lumivex --simulate"
    echo
    exec "$build/apps/lumivex-cli/lumivex-cli" test --simulate "$@"
fi
exec "$build/apps/lumivex/lumivex" --simulate "$@"
