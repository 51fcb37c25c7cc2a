#!/usr/bin/env bash
# Builds everything and runs the whole test suite, on a fresh machine too
# (missing Debian packages are installed first).
#
#   scripts/test.sh          g++, the whole suite
#   scripts/test.sh clang    clang++, the whole suite
#   scripts/test.sh asan     clang++ with AddressSanitizer, LeakSanitizer and UBSan
#   scripts/test.sh tsan     clang++ with ThreadSanitizer (all but the fatal-signal tests)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"

scripts/install-deps.sh
jobs="$(nproc)"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"
ctest --preset "$preset" -j "$jobs"
