#!/usr/bin/env bash
# Builds Lumivex and starts it on its built-in simulated sensor device, in the working folder
# build/run (its Lumivex.ini and Lumivex.log live there). Extra arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
lumivex_install_deps
lumivex_build
build="${LUMIVEX_BUILD_DIR:-$root/build}"
mkdir -p "$build/run"
cd "$build/run"
exec "$build/apps/lumivex/lumivex" --simulate "$@"
