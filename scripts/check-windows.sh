#!/usr/bin/env bash
# Builds the Windows program and its window tests, and runs the tests under
# Wine on a virtual display. Any failing test fails the run.
#   scripts/check-windows.sh [--gtest_filter=...]
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/windows

scripts/build-windows.sh
cmake --build $out -j "$(nproc 2>/dev/null || echo 2)" --target quorvel_win32_tests

# A prefix of our own, so that no user's Wine setup is touched; the first run
# creates it (about ten seconds).
export WINEPREFIX=$PWD/$out/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winebrowser.exe=d"
mkdir -p "$WINEPREFIX"
if [[ ! -f "$WINEPREFIX/quorvel.stamp" ]]; then
  echo "== windows: creating the Wine prefix"
  xvfb-run -a wineboot --init >/dev/null 2>&1 || true
  # The virtual display has no window manager: managed windows would make
  # Wine wait two seconds for each hidden top-level window.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/quorvel.stamp"
fi

echo "== windows: window tests under Wine"
start=$(date +%s)
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" wine $out/quorvel_win32_tests.exe "$@" || status=$?
wineserver -w 2>/dev/null || true
echo "== windows: window tests took $(( $(date +%s) - start ))s"
if [[ $status -ne 0 ]]; then
  echo "== windows: window tests FAILED" >&2
  exit 1
fi
