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
offered() { apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | sed -n 1p; }
pkg=$(offered || true)
if [ -z "$pkg" ]; then
  # The package lists may never have been fetched on this machine (or were cleaned away).
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq >&2 || true
  pkg=$(offered || true)
fi
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
