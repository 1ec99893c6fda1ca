#!/usr/bin/env bash
# Long libFuzzer runs of the native fuzz targets (the test command runs them only briefly).
#   scripts/fuzz-native.sh [seconds per target, default 600] [target ...]
# Each target runs on its own core from a copy of its committed seeds (new inputs stay in
# build/native/fuzz-long/<target>, findings in build/native/fuzz-long/<target>-crash-*), and
# its final statistics are printed. Needs a built tree (scripts/build-native.sh).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/native"
seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_state_blob fuzz_wav_decode)

declare -A corpus=([fuzz_state_blob]=state [fuzz_wav_decode]=wav [fuzz_bridge_dispatch]=dispatch)
out="$build/fuzz-long"
mkdir -p "$out"
pids=()
for t in "${targets[@]}"; do
  mkdir -p "$out/$t"
  "$build/native/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=20 \
      -print_final_stats=1 -artifact_prefix="$out/$t-" \
      "$out/$t" "$root/native/fuzz/corpus/${corpus[$t]}" >"$out/$t.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || status=1
  t="${targets[$i]}"
  last=$(grep -E '^#[0-9]+' "$out/$t.log" | tail -1)
  echo "$t: $last"
  grep -E '^stat::|SUMMARY' "$out/$t.log" | sed 's/^/  /'
  ls "$out" | grep -E "^$t-(crash|oom|leak|timeout)" | sed 's/^/  finding: /'
done
exit $status
