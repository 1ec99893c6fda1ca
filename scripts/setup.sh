#!/usr/bin/env bash
# Installs everything Tindle needs to build and test on Debian 12: system packages,
# JUCE 8 (fetched privately into build/juce) and the page's npm packages.
# Idempotent: a second run only checks and returns.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export DEBIAN_FRONTEND=noninteractive

packages=(
  build-essential cmake pkg-config git clang libclang-rt-14-dev
  libasound2-dev libjack-jackd2-dev libwebkit2gtk-4.1-dev libgtk-3-dev libcurl4-openssl-dev
  libxcursor-dev libxinerama-dev libxrandr-dev libxcomposite-dev libfreetype-dev libfontconfig1-dev mesa-common-dev
  librubberband-dev libgtest-dev libbenchmark-dev valgrind
  jackd2 xvfb xauth x11-apps imagemagick sox lame
  chromium chromium-driver fonts-dejavu-core
  fluidsynth fluid-soundfont-gm aubio-tools
  dpkg-dev patch
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  echo "jackd2 jackd/tweak_rt_limits boolean false" | debconf-set-selections
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The page build needs Node.js ^20.19 or >=22.12 (Vite 7). Debian 12's own nodejs is 18, so it
# is only a fallback where no Node is installed, and the version is checked either way.
if ! command -v npm >/dev/null; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
if ! node -e 'const [major, minor] = process.versions.node.split(".").map(Number);
  process.exit((major === 20 && minor >= 19) || (major === 22 && minor >= 12) || major > 22 ? 0 : 1)'; then
  echo "setup: Node.js $(node --version) is too old; install Node.js 20.19+ or 22.12+ and run again" >&2
  exit 1
fi

"$root/scripts/fetch-juce.sh"

if [ ! -f "$root/node_modules/.package-lock.json" ] || [ "$root/package-lock.json" -nt "$root/node_modules/.package-lock.json" ]; then
  (cd "$root" && npm ci --no-audit --no-fund --loglevel=error)
fi
