#!/usr/bin/env bash
# Builds what is needed and runs `zelrtc demo` with the trace switched on: a
# session through the session manager, a driver's scenario as the client reads
# it, the trace file and the crash report's collaboration section. Then the
# trace's summary, and the examples with the trace file each one wrote.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" >/dev/null

export TMPDIR="${TMPDIR:-/tmp}"
output="$(build/default/bin/zelrtc demo --trace)"
echo "$output"
trace="$(echo "$output" | sed -n 's/^Trace file: //p')"
if [ -n "$trace" ] && [ -f "$trace" ]; then
  echo
  echo "== zelrtc trace --summary $trace"
  build/default/bin/zelrtc trace --summary "$trace"
fi

for example in build/default/bin/ZELRTC*Example; do
  echo
  echo "== $(basename "$example")"
  output="$(ZELRTCInfraTrace=1 "$example")"
  echo "$output"
  trace="$(echo "$output" | sed -n '/RTC trace activated at path:/{n;p;q}')"
  if [ -n "$trace" ] && [ -f "$trace" ]; then
    echo "-- $trace"
    cat "$trace"
  fi
done
