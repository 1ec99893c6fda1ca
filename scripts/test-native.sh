#!/usr/bin/env bash
# Runs every native test through ctest: the GoogleTest cases (one ctest test each) and the
# short libFuzzer runs (fuzz.*, -runs fixed in native/fuzz/CMakeLists.txt), and writes
# "<passed> <failed>" to $1. Expects a built tree (scripts/build-native.sh).
#   scripts/test-native.sh <countsfile> [extra ctest arguments]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/native"
counts="${1:?usage: test-native.sh <countsfile>}"
shift
echo "0 1" > "$counts" # a crashed run counts as one failure

exec 9>"$root/build/native.lock"
flock 9

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
(cd "$build" && ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@") 2>&1 | tee "$log"

# ctest's summary: "NN% tests passed, F tests failed out of T"
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
if [ -n "$summary" ]; then
  failed=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "$summary" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
  echo "$((total - failed)) $failed" > "$counts"
elif grep -q "No tests were found" "$log"; then
  echo "0 1" > "$counts"
fi
read -r p f < "$counts"
echo "native: $p passed, $f failed"
[ "$f" -eq 0 ]
