#!/usr/bin/env bash
# Builds the library and runs the examples with the infrastructure trace
# switched on, then shows the trace file each one wrote.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null

export TMPDIR="${TMPDIR:-/tmp}"
for example in build/default/bin/ZELRTC*Example; do
  echo "== $(basename "$example")"
  output="$(ZELRTCInfraTrace=1 "$example")"
  echo "$output"
  trace="$(echo "$output" | sed -n '/RTC trace activated at path:/{n;p;q}')"
  if [ -n "$trace" ] && [ -f "$trace" ]; then
    echo "-- $trace"
    cat "$trace"
  fi
  echo
done
