#!/usr/bin/env bash
# Builds the page into build/page.
set -euo pipefail
echo "build-page: page build not written yet"
