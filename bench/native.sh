#!/usr/bin/env bash
# Prints the native benchmark figures (targets in brackets). Not a test: it
# never fails on timing. Needs a built tree (scripts/build-native.sh) and valgrind.
#   bench/native.sh [blocks]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bench="$root/build/native/TindleBench"
[ -x "$bench" ] || { echo "build first: scripts/build-native.sh" >&2; exit 1; }
blocks="${1:-2000}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Instructions per processBlock: callgrind collects only inside processBlock (and its callees).
valgrind --tool=callgrind --callgrind-out-file="$work/cg.out" --collect-atstart=no \
    --toggle-collect='TindleProcessor::processBlock(*' "$bench" processblock "$blocks" >/dev/null 2>"$work/cg.log"
collected=$(grep -o 'Collected : [0-9]*' "$work/cg.log" | grep -o '[0-9]*$')
echo "processBlock, stereo 512 frames, capture + main voice: $((collected / blocks)) instructions per block over $blocks blocks [target <= 40000]"

"$bench" encode | sed 's/$/ [target < 40 ms]/'
"$bench" state | sed 's/$/ [target < 60 ms]/'
"$bench" decode
