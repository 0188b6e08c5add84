#!/usr/bin/env bash
# The long runs at full size: the Linux program reads a 5,000-song collection
# 20 times in one process (make check runs the same test with 300 songs).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target quorvel quorvel_tests
QUORVEL_SOAK_SONGS=${QUORVEL_SOAK_SONGS:-5000} build/release/tests/quorvel_tests --gtest_filter='LongRunTest.*'
if [[ -x scripts/soak-windows.sh ]]; then
  scripts/soak-windows.sh
fi
