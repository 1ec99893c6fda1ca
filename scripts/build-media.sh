#!/usr/bin/env bash
# Generates the embedded media (demo loops, drum kits, logo) into resources/ and the demo
# loops' ground truth into build/media-truth/. Skips the work when every output is newer
# than every generator source. Usage: scripts/build-media.sh [--force]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

outputs=(
  resources/demo-loop-94.wav resources/demo-loop-128.wav resources/demo-shuffle-82.wav resources/demo-loop-82.wav
  resources/kick-7QJLqPNU.wav resources/snare-XLNZRdyd.wav resources/hat-zrbPMS1Y.wav
  resources/kick-7Qd1nqad.wav resources/snare-n78LVvYp.wav resources/hat-DTduP_ZQ.wav
  resources/kick-ean3Oq0g.wav resources/snare-CDPKsuTJ.wav resources/hat-BHqRO6rC.wav
  resources/kick-B5lHs_y1.wav resources/snare-HAuwIW3Q.wav resources/hat-DVKFttGd.wav
  resources/kick-qQ4TE5CK.wav resources/snare-C0SXY7le.wav resources/hat-DjEKkJJx.wav
  resources/kick-BEMhoZXI.wav resources/snare-DdKIqC6W.wav resources/hat-B6UVBJS7.wav
  resources/logo-cropped-DhtTS-BP.png
  build/media-truth/demo-loop-94.json build/media-truth/demo-loop-128.json
  build/media-truth/demo-shuffle-82.json build/media-truth/demo-loop-82.json
)

up_to_date() {
  local output
  for output in "${outputs[@]}"; do
    [ -f "$output" ] || return 1
    # Any generator source newer than this output means a rebuild (the WAV encoder and its helpers are the page's).
    if [ -n "$(find tools/synth tools/media page/src/audio page/src/analysis -name '*.ts' ! -name '*.test.ts' -newer "$output" -print -quit)" ]; then
      return 1
    fi
  done
}

if [ "${1:-}" != "--force" ] && up_to_date; then
  echo "build-media: up to date"
  exit 0
fi
npx tsx tools/media/generate.ts "$root"
