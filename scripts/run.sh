#!/usr/bin/env bash
# Sets up, builds and launches the Tindle standalone application.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
exec "$root/build/native/Tindle_artefacts/Release/Standalone/Tindle" "$@"
