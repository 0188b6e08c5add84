#!/usr/bin/env bash
# Builds everything and runs every test twice: in a normal build and in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer. Any failure or
# sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh base

run_suite() {
  local dir=$1; shift
  echo "== $dir: configure and build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $dir: tests"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

run_suite build/release
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  run_suite build/asan -DQUORVEL_SANITIZE=ON

if [[ -x scripts/check-windows.sh ]]; then
  scripts/check-windows.sh
fi
echo "== check: all passed"
