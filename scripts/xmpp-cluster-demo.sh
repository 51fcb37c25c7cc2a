#!/usr/bin/env bash
# Two users across the nodes of a private two-node ejabberd cluster, and through
# a failover: builds, starts both nodes on the loopback (free ports, their own
# epmd and cookie) joined into one cluster, registers alice and bob once, logs
# alice in on node 1 and bob on node 2 (bare libstrophe clients, TLS verified),
# has them exchange messages, kills node 1 and logs alice in again on node 2,
# printing what each user sees. Everything is stopped at the end, whatever
# happened: the nodes die with the demo program, which the trap ends, and the
# trap removes the demo's temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target ZELXmppClusterDemo >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/ZELXmppClusterDemo.XXXXXX")"
demo=""
cleanup() {
  if [ -n "$demo" ] && kill -0 "$demo" 2>/dev/null; then
    kill "$demo" 2>/dev/null || true  # its nodes and epmd die with it (PR_SET_PDEATHSIG)
    wait "$demo" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

TMPDIR="$work" build/default/bin/ZELXmppClusterDemo &
demo=$!
wait "$demo"
