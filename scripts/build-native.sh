#!/usr/bin/env bash
# Configures and builds the native app, its tests, fuzzers and benchmarks in build/native.
set -euo pipefail
echo "build-native: native build not written yet"
