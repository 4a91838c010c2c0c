#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need; does nothing when all are present.
set -euo pipefail
pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev libbenchmark-dev
      nlohmann-json3-dev libhidapi-dev
      g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 xvfb xauth imagemagick x11-apps xdotool
      python3 fonts-dejavu-core fonts-dejavu-extra fonts-wqy-microhei
      nsis dpkg-dev binutils procps ccache
      qemu-system-x86 busybox-static udev kmod cpio)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  echo "Installing: ${missing[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
