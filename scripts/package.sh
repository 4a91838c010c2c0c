#!/usr/bin/env bash
# Makes what ships, from the same version number (CMakeLists.txt):
#   build/win/package/Kelvane-<version>-setup.exe    the Windows setup program (NSIS)
#   build/native/package/kvtool_<version>_amd64.deb  the Debian package of kvtool
# Builds only what the two need, in the same build folders as the test command.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/deps.sh
jobs=$(nproc)

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi
configure() {  # configure <dir> <cmake args...>, once
  local dir=$1; shift
  [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
}

configure build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/win -j"$jobs" --target kv_setup

configure build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/native -j"$jobs" --target kvtool quorvex_hid kv_manpage
(cd build/native && cpack -G DEB >/dev/null)

version=$(sed -n 's/^#define KV_VERSION "\(.*\)"$/\1/p' build/native/generated/kv_version.h)
echo "build/win/package/Kelvane-$version-setup.exe"
echo "build/native/package/kvtool_${version}_amd64.deb"
