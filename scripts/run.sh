#!/usr/bin/env bash
# Sets up, builds and launches the Tindle standalone application.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
# The local catalogue service stands in for the maker's service at the built-in base address.
"$root/scripts/service.sh" start
exec "$root/build/native/Tindle_artefacts/Release/Standalone/Tindle" "$@"
