#!/usr/bin/env bash
# Pictures of the Windows program with the example collection read: the main
# window on each of its four tabs, the configuration dialog and the About box,
# as PNG files in build/screenshots/.
#
# The Linux program writes the example's inventory (its VST folder and the
# Waves classes of its Wine prefix) into a quorvel.cfg; the window then reads
# the songs from the command line "/p:<songs> /s+", and a disabled test of the
# Wine suite drives it and takes the pictures from the virtual screen.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base windows

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON >/dev/null
cmake --build build/release -j "$jobs" --target quorvel

out=$PWD/build/screenshots
example=$out/example
rm -rf "$out"
mkdir -p "$out"
cp -R examples/collection "$example"
build/release/quorvel --quiet --config "$example/quorvel.cfg" --vst "$example/vst" \
  --wine-prefix "$example/wineprefix" >/dev/null

# Wine's drive Z: is the Unix root.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export QUORVEL_EXAMPLE QUORVEL_SCREENSHOTS
QUORVEL_EXAMPLE=$(windows_path "$example")
QUORVEL_SCREENSHOTS=$(windows_path "$out")
scripts/check-windows.sh --gtest_also_run_disabled_tests --gtest_filter='ScreenshotTest.*'

for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png"
  rm -f "$bmp"
done
echo "== screenshots: $(cd "$out" && ls ./*.png | tr '\n' ' ')in $out"
