#!/usr/bin/env bash
# Builds everything and runs every test three times: in a normal build, in a
# build with AddressSanitizer and UndefinedBehaviorSanitizer, and in a Release
# build (-O3, where GCC's flow warnings differ). Any warning, failure or
# sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

scripts/install-deps.sh base

run_suite() {
  local dir=$1 type=$2; shift 2
  echo "== $dir: configure and build ($type)"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE="$type" -DQUORVEL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  echo "== $dir: tests"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

run_suite build/release RelWithDebInfo
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  run_suite build/asan RelWithDebInfo -DQUORVEL_SANITIZE=ON
run_suite build/optimized Release

if [[ -x scripts/check-windows.sh ]]; then
  scripts/check-windows.sh
fi
echo "== check: all passed"
