#!/usr/bin/env bash
# Builds the Linux program and runs its main job on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target quorvel
build/release/quorvel
