#!/usr/bin/env bash
# zelrtc connect against a private prosody server: starts prosody on a free
# loopback port with a throwaway CA, creates alice and bob, then runs two
# `zelrtc connect` sessions: bob watches (accepts alice's subscription request
# and answers her message, by a script), alice runs a script of her own and
# records her session, which `zelrtc replay` then prints again. Everything
# lives in a temporary folder, removed at the end with the server stopped.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZELRTC_BUILD:-build/default}
if [ ! -x "$build/bin/zelrtc" ]; then
  scripts/install-deps.sh
  cmake --preset default >/dev/null
  cmake --build --preset default -j2 --target zelrtc >/dev/null
fi
zelrtc="$(cd "$build" && pwd)/bin/zelrtc"

work=$(mktemp -d /tmp/zelrtc-live-XXXXXX)
prosody_pid=""
cleanup() {
  [ -n "$prosody_pid" ] && kill "$prosody_pid" 2>/dev/null && wait "$prosody_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/data" "$work/certs"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=zelrtc demo CA" \
  -keyout "$work/certs/ca.key" -out "$work/certs/ca.pem" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=localhost" -keyout "$work/certs/localhost.key" \
  -out "$work/certs/localhost.csr" 2>/dev/null
printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\n' > "$work/certs/san.ext"
openssl x509 -req -in "$work/certs/localhost.csr" -CA "$work/certs/ca.pem" -CAkey "$work/certs/ca.key" \
  -CAcreateserial -days 2 -extfile "$work/certs/san.ext" -out "$work/certs/localhost.crt" 2>/dev/null
cat > "$work/prosody.cfg.lua" <<CFG
run_as_root = true
daemonize = false
pidfile = "$work/prosody.pid"
data_path = "$work/data"
certificates = "$work/certs"
log = { info = "$work/prosody.log", error = "$work/prosody.err" }
c2s_ports = { $port }
c2s_interfaces = { "127.0.0.1" }
s2s_ports = { }
http_ports = { }
https_ports = { }
modules_enabled = { "roster", "saslauth", "tls", "disco", "presence", "message", "ping", "private", "mam" }
authentication = "internal_hashed"
c2s_require_encryption = true
VirtualHost "localhost"
  ssl = { key = "$work/certs/localhost.key", certificate = "$work/certs/localhost.crt" }
CFG
prosodyctl --config "$work/prosody.cfg.lua" register alice localhost alice-secret >/dev/null
prosodyctl --config "$work/prosody.cfg.lua" register bob localhost bob-secret >/dev/null
prosody --config "$work/prosody.cfg.lua" >/dev/null 2>&1 &
prosody_pid=$!
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
echo "prosody on 127.0.0.1:$port, host localhost"

printf 'alice-secret\n' > "$work/alice.pw"
printf 'bob-secret\n' > "$work/bob.pw"
cat > "$work/bob.txt" <<'SCRIPT'
wait WatchListUserNotification GetEventType=0 GetUserId=alice@localhost 20
accept alice@localhost
wait InstantMessageReceivedNotification GetPartnerId=alice@localhost 20
send alice@localhost Hi Alice, back in a minute.
sleep 1
SCRIPT
cat > "$work/alice.txt" <<'SCRIPT'
status Away "making tea"
add bob@localhost Bob Friends
wait WatchListUserNotification GetEventType=1 GetUserId=bob@localhost 20
send bob@localhost Hello Bob!
wait InstantMessageReceivedNotification GetPartnerId=bob@localhost 20
archive bob@localhost
wait ArchiveReceivedNotification 20
SCRIPT

common=(--server 127.0.0.1 --port "$port" --ca-file "$work/certs/ca.pem")
"$zelrtc" connect "${common[@]}" --password-file "$work/bob.pw" --script "$work/bob.txt" bob@localhost \
  > "$work/bob.out" 2> "$work/bob.err" &
bob_pid=$!
sleep 1
echo "--- alice: zelrtc connect --script alice.txt --record alice.jsonl alice@localhost"
status=0
"$zelrtc" connect "${common[@]}" --password-file "$work/alice.pw" --script "$work/alice.txt" \
  --record "$work/alice.jsonl" alice@localhost || status=$?
wait "$bob_pid" || status=$?
echo "--- bob's session (its standard output)"
cat "$work/bob.out"
echo "--- alice's recording replayed: zelrtc replay alice.jsonl | diff with what connect printed"
"$zelrtc" replay "$work/alice.jsonl" | tail -n 8
exit "$status"
