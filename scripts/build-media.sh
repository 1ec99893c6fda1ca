#!/usr/bin/env bash
# Generates the embedded media (demo loops, drum kits, logo) into resources/.
set -euo pipefail
echo "build-media: generator not written yet"
