#!/usr/bin/env bash
# The window's long run at full size: the Wine suite's LongRunTest drops a
# 5,000-song collection onto the main window 20 times, with "Reset" between
# rounds (make check runs the same test with 300 songs). The build, the Wine
# prefix and the virtual display are those of the window tests; Wine hands
# the song count on to the test.
set -euo pipefail
cd "$(dirname "$0")/.."
export QUORVEL_SOAK_SONGS=${QUORVEL_SOAK_SONGS:-5000}
exec scripts/check-windows.sh --gtest_filter='LongRunTest.*'
