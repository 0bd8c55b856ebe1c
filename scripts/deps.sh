#!/usr/bin/env bash
# Installs the Debian packages Lumivex needs to build, test and run, and only those missing.
# Sourced by run.sh and test.sh; run it alone to prepare a machine.
set -euo pipefail

lumivex_packages=(
    build-essential cmake ninja-build pkg-config
    clang libclang-rt-14-dev
    qt6-base-dev qt6-serialport-dev qt6-qpa-plugins libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb fonts-liberation2
    desktop-file-utils
)

lumivex_missing_packages() {
    local pkg
    for pkg in "${lumivex_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            echo "$pkg"
        fi
    done
}

lumivex_install_deps() {
    local missing
    missing=$(lumivex_missing_packages)
    [ -z "$missing" ] && return 0
    echo "Installing missing packages:" $missing
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $missing
}

lumivex_build() {
    local root build
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    build="${LUMIVEX_BUILD_DIR:-$root/build}"
    # A compiler cache, where one is installed, makes rebuilds of a fresh checkout quick.
    local launcher=()
    if command -v ccache >/dev/null 2>&1; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
    cmake --build "$build" -j2
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    lumivex_install_deps
fi
