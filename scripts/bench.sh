#!/usr/bin/env bash
# Builds the benchmarks (optimised, g++) and runs each one; every benchmark
# program runs its baseline beside what it measures, so read the ratios.
# Extra arguments go to every program, e.g. --benchmark_min_time=0.05.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)"
export TMPDIR="${TMPDIR:-/tmp}"
for program in build/bench/bin/*Bench; do
  echo "== $(basename "$program")"
  "$program" "$@" 2>/dev/null
done
