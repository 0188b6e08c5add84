#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 60) from the inputs that the test suite feeds the same parsers.
#   FUZZ_SECONDS=600 FUZZ_TARGETS="zip_fuzzer rns_fuzzer" make fuzz
# A target's seeds are what the tests keep with KeepSeed (tests/harness/Seeds.h),
# its dictionary is tests/fuzz/<name>.dict. Findings land in build/fuzz/findings/<target>/;
# keep each one as tests/fuzz/regressions/<target>/<name> once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
scripts/install-deps.sh base fuzz

# The seeds: one pass of the plain test suite with QUORVEL_SEED_DIR set.
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target quorvel_tests
rm -rf build/fuzz/seeds
QUORVEL_SEED_DIR=$PWD/build/fuzz/seeds build/release/tests/quorvel_tests --gtest_brief=1 >/dev/null ||
  echo "fuzz: some tests failed; the seeds they kept are used all the same" >&2

CC=clang-14 CXX=clang++-14 cmake -S . -B build/fuzz -DQUORVEL_FUZZ=ON -DQUORVEL_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j "$(nproc 2>/dev/null || echo 2)"

targets=${FUZZ_TARGETS:-$(cd build/fuzz/tests/fuzz && ls *_fuzzer 2>/dev/null | tr '\n' ' ')}
failed=0
mkdir -p build/fuzz/logs
for target in $targets; do
  corpus=build/fuzz/corpus/$target seeds=build/fuzz/seeds/$target findings=build/fuzz/findings/$target
  mkdir -p "$corpus" "$seeds" "$findings"
  args=(-max_total_time="$seconds" -artifact_prefix="$findings/" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048)
  [[ -f tests/fuzz/$target.dict ]] && args+=(-dict=tests/fuzz/$target.dict)
  [[ -d tests/fuzz/regressions/$target ]] && extra=(tests/fuzz/regressions/$target) || extra=()
  echo "== $target: ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1 build/fuzz/tests/fuzz/$target "${args[@]}" "$corpus" "$seeds" "${extra[@]}" \
       > "build/fuzz/logs/$target.log" 2>&1; then
    echo "== $target: FINDING (see build/fuzz/logs/$target.log and $findings)"
    failed=1
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov: ' "build/fuzz/logs/$target.log" | tail -3 || true
done
exit $failed
