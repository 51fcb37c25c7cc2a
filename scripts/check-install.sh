#!/usr/bin/env bash
# Installs the default build into a scratch prefix, builds and runs a small
# client project against it with find_package(ZELRTCItf), builds the same
# client with pkg-config, and runs the installed zelrtc tool.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install build/default --prefix "$prefix/usr" >/dev/null
cmake -S examples/consumer -B "$prefix/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix/usr" >/dev/null
cmake --build "$prefix/consumer" >/dev/null
"$prefix/consumer/consumer"

# pkg-config: the file lies beside the CMake package.
pc_dir="$(dirname "$(find "$prefix/usr" -name zelrtcitf.pc)")"
[ -d "$pc_dir/../cmake/ZELRTCItf" ] || { echo "zelrtcitf.pc is not beside the CMake package" >&2; exit 1; }
# shellcheck disable=SC2046
g++ examples/consumer/main.cpp -o "$prefix/consumer-pc" $(PKG_CONFIG_PATH="$pc_dir" pkg-config --cflags --libs zelrtcitf)
"$prefix/consumer-pc" >/dev/null
echo "pkg-config: $(PKG_CONFIG_PATH="$pc_dir" pkg-config --modversion zelrtcitf), consumer built and run"

# The tool, installed in bin/, finds the libraries and the session component.
zelrtc="$prefix/usr/bin/zelrtc"
"$zelrtc" contract ZELRTCLoginNotification | grep -q "GetUser"
TMPDIR="$prefix/" "$zelrtc" demo | grep -q "ErrorNotification: errorMessage=\"Server chat.example.org is not answering"
"$zelrtc" demo --print-scenario | "$zelrtc" check - >/dev/null
echo "zelrtc: contract, demo and check run from $zelrtc"
