#!/usr/bin/env bash
# Configures and builds the native app, its tests, fuzzers and benchmarks in build/native
# (Ninja, Release, clang so the libFuzzer targets link the same JUCE objects; no LTO).
# A second run only rebuilds what changed; reconfiguring picks up new page/media files.
# Holds build/native.lock so concurrent callers (and test-native.sh) never share a half build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/native"
jobs="${TINDLE_JOBS:-$(nproc)}"
mkdir -p "$build"
exec 9>"$root/build/native.lock"
flock 9

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    "${launcher[@]}" >/dev/null
cmake --build "$build" --parallel "$jobs" -- -k 0
