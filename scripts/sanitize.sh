#!/usr/bin/env bash
# Builds Lumivex with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer into
# build-asan/ and runs the tests there (all but the fuzz runs, which have their own sanitizers).
# Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/deps.sh"
lumivex_install_deps
build="$root/build-asan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
    -DLUMIVEX_BUILD_FUZZ=OFF -DLUMIVEX_BUILD_BENCH=OFF
cmake --build "$build" -j2
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir "$build" -j2 --output-on-failure "$@"
