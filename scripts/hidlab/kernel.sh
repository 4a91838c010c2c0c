#!/usr/bin/env bash
# Fetches the distribution's kernel for the HID lab once: the package is downloaded (never installed: its
# hooks want a boot loader), unpacked and its module index made, in build/hidlab/kernel/<version>/.
# Prints the version. A version already unpacked is used again without asking the archive.
# Usage: scripts/hidlab/kernel.sh [CACHE_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cache=${1:-$root/build/hidlab/kernel}
mkdir -p "$cache"
ready=$(ls -d "$cache"/*/.ready 2>/dev/null | head -n1 || true)
if [ -n "$ready" ]; then
  basename "$(dirname "$ready")"
  exit 0
fi
pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -n1)
[ -n "$pkg" ] || { echo "hidlab: no kernel package offered by apt (linux-image-amd64)" >&2; exit 1; }
version=${pkg#linux-image-}
dir=$cache/$version
rm -rf "$dir" "$cache/download"
mkdir -p "$cache/download" "$dir"
(cd "$cache/download" && apt-get download -q "$pkg" >&2)
dpkg-deb -x "$cache"/download/*.deb "$dir"
rm -rf "$cache/download"
depmod -b "$dir" "$version"
touch "$dir/.ready"
echo "$version"
