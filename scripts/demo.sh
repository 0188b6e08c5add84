#!/usr/bin/env bash
# Builds the Linux program, copies the bundled example collection and runs the
# main job on it: the VST folder is scanned into the inventory (Waves plug-ins
# from the example's Wine prefix), the songs are read and the report printed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target quorvel
example=build/example
rm -rf "$example"
cp -R examples/collection "$example"
echo "== quorvel --vst $example/vst --wine-prefix $example/wineprefix --subfolders $example/songs"
build/release/quorvel --config "$example/quorvel.cfg" --vst "$example/vst" --wine-prefix "$example/wineprefix" \
  --subfolders "$example/songs"
