#!/usr/bin/env bash
# A two-user chat over the XMPP back end: builds, starts a private prosody
# server, creates alice and bob, logs both in over TLS and has them exchange
# presence, messages and data, meet in a conference, read each other's vCard
# (with a photo) and their history from the server's archive, send a file and
# place a call (its signalling), printing each
# notification as the clients read it through its getters.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)" --target ZELXmppChatDemo >/dev/null
export TMPDIR="${TMPDIR:-/tmp}"
export ZELMsgCatalogPath="$PWD/ZELCollaborationInfra/ZELRTCMsgLayer.m/msgcatalog"
build/default/bin/ZELXmppChatDemo
