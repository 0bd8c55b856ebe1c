#!/usr/bin/env bash
# Builds Lumivex and runs the whole test suite (unit, Qt, end-to-end and a short fuzz run).
# Extra arguments go to ctest, e.g. scripts/test.sh -L unit  or  scripts/test.sh -R Ini
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
lumivex_install_deps
lumivex_build
build="${LUMIVEX_BUILD_DIR:-$root/build}"
ctest --test-dir "$build" -j2 --output-on-failure "$@"
