#!/usr/bin/env bash
# Builds the notification fuzz target (libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for the given number of seconds
# (60 by default), starting from the seed corpus in fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

scripts/install-deps.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
mkdir -p fuzz/corpus-run
build/fuzz/bin/ZELRTCBuildFuzzer -max_total_time="$seconds" -print_final_stats=1 fuzz/corpus-run fuzz/corpus
