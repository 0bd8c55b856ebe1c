#!/usr/bin/env bash
# Installs the build into a scratch prefix and uses it from there as a user would: the programs,
# the chart images where the installed lumivex looks for them, the menu entry and its icon, and a
# headless test run on the simulated device from a working folder outside the prefix.
#   install_test.sh <cmake> <build folder>
set -euo pipefail
cmake_command=$1
build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix="$tmp/prefix"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$cmake_command" --install "$build" --prefix "$prefix" >"$tmp/install.log" || {
    cat "$tmp/install.log" >&2
    fail "cmake --install into $prefix"
}

for program in lumivex lumivex-cli lumivex-sim; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
done
for chart in CIE1931_2.bmp CIE1964_10.bmp CIE-Normfarbtafel.bmp; do
    [ -s "$prefix/share/lumivex/charts/$chart" ] || fail "share/lumivex/charts/$chart is not installed"
done

desktop="$prefix/share/applications/lumivex.desktop"
[ -f "$desktop" ] || fail "share/applications/lumivex.desktop is not installed"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects lumivex.desktop"
else
    echo "desktop-file-validate not found: the menu entry's syntax is not checked"
fi
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec_program" ] || fail "the menu entry starts '$exec_program', which is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 48 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [ -s "$png" ] || fail "no ${size}x${size} icon named '$icon'"
    # The PNG signature, then the IHDR width: the file is an image of the size its folder claims.
    [ "$(od -An -tx1 -N8 "$png" | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "$png is not a PNG"
    width=$(od -An -tu4 --endian=big -j16 -N4 "$png" | tr -d ' ')
    [ "$width" = "$size" ] || fail "$png is $width pixels wide"
done

# The installed command, started by its path from a user's working folder; its INI and log go there.
mkdir "$tmp/work"
(cd "$tmp/work" && "$prefix/bin/lumivex-cli" test --simulate) >"$tmp/run.log" 2>&1 || {
    cat "$tmp/run.log" >&2
    fail "the installed lumivex-cli test --simulate failed"
}
[ -f "$tmp/work/Lumivex.log" ] || fail "the installed lumivex-cli wrote no Lumivex.log in its working folder"
echo "installed tree works from $prefix"
