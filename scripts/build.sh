#!/usr/bin/env bash
# Builds everything: the embedded media, the page, then the native app, tests and fuzzers.
# Usage: scripts/build.sh [--no-setup]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
[ "${1:-}" = "--no-setup" ] || "$root/scripts/setup.sh"
"$root/scripts/build-media.sh"
"$root/scripts/build-page.sh"
"$root/scripts/build-native.sh"
