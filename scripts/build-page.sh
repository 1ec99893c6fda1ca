#!/usr/bin/env bash
# Builds the page into build/page: plugin.html, one script, one style sheet, fonts and the
# hashed media the page imports. Skipped when the output is newer than every input.
# Usage: scripts/build-page.sh [--force]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
stamp="$root/build/page/plugin.html"

if [ "${1:-}" != "--force" ] && [ -f "$stamp" ]; then
  newer=$(find "$root/page" "$root/resources" "$root/package-lock.json" "$root/tsconfig.json" \
            -newer "$stamp" -type f \
            -not -path '*/page/test/*' -not -name '*.test.ts' -not -name '*.test.tsx' -print -quit 2>/dev/null || true)
  if [ -z "$newer" ]; then
    echo "build-page: up to date"
    exit 0
  fi
fi
cd "$root" && npx vite build --config page/vite.config.ts --logLevel warn
echo "build-page: $(ls "$root/build/page" | wc -l) files in build/page"
