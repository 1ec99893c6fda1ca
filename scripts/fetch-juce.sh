#!/usr/bin/env bash
# Fetches JUCE 8 (Debian trixie's source package) into build/juce with a private apt
# configuration (the machine's own apt sources are never touched), then applies our
# patches from native/patches.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
version="8.0.6+ds-2"
dest="$root/build/juce"
patches=("$root"/native/patches/*.patch)
patch_sum=$(cat "${patches[@]}" 2>/dev/null | sha256sum | cut -c1-16)
stamp="$dest/.tindle-juce-$version-$patch_sum"
[ -f "$stamp" ] && exit 0

apt_dir="$root/build/apt"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/src"
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main" > "$apt_dir/sources.list"
apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
          -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
          -o "APT::Sandbox::User=root" -o "Acquire::Retries=3")
apt-get "${apt_opts[@]}" -qq update
(cd "$apt_dir/src" && rm -rf juce-* juce_* && apt-get "${apt_opts[@]}" -qq --download-only source "juce=$version" && dpkg-source --no-check -x juce_*.dsc juce-src >/dev/null)
for p in "${patches[@]}"; do
  [ -f "$p" ] && patch -d "$apt_dir/src/juce-src" -p1 --quiet --forward < "$p"
done
rm -rf "$dest"
mv "$apt_dir/src/juce-src" "$dest"
touch "$stamp"
