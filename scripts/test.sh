#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, then runs
#   native   - the portable core and the virtual keyboard, natively (g++)
#   asan     - the same suite under AddressSanitizer + UndefinedBehaviorSanitizer
#   fuzz     - the fuzz targets for a short bounded time (clang, when there are any)
#   win      - the Windows build (mingw-w64) and its tests under Wine, with a virtual X display
#   package  - the setup program (installed, upgraded and uninstalled under Wine) and the Debian package of kvtool
#   hidlab   - the shipped HID library against a real HID stack: the distribution's kernel under QEMU with the
#              keyboard as a uhid device, kvtool over hidraw, the Windows programs under Wine (scripts/hidlab)
# Usage: scripts/test.sh [native|asan|fuzz|win|package|hidlab]...   (no argument: all of them)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/deps.sh

stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(native asan fuzz win package hidlab)
jobs=$(nproc)

# A compiler cache, when the machine has one, shares objects between work trees of the same repository.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi

configure() {  # configure <dir> <cmake args...>, once
  local dir=$1; shift
  [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
}

run_native() {
  configure build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build/native -j"$jobs"
  ctest --test-dir build/native --output-on-failure -j"$jobs" --no-tests=error
}

run_asan() {
  configure build/asan -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=ON -DKV_BENCH=OFF
  cmake --build build/asan -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/asan --output-on-failure -j"$jobs" --no-tests=error
}

run_fuzz() {
  [ -x scripts/fuzz.sh ] || return 0
  bash scripts/fuzz.sh short
}

start_display() {
  if [ -z "${KV_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    local fifo
    fifo=$(mktemp -u); mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    xvfb_pid=$!
    local num
    read -r num <"$fifo"; rm -f "$fifo"
    export DISPLAY=":$num"
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  fi
}

run_win() {
  configure build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build/win -j"$jobs"
  export WINEPREFIX="$root/build/win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # The display first: a prefix made without one leaves its desktop process running headless in the
  # same wine server, and every window the tests create afterwards fails.
  start_display
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot -i >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
  fi
  ctest --test-dir build/win --output-on-failure --no-tests=error
  wineserver -k 2>/dev/null || true
  # The README's run command, started the way a newcomer without a display starts it.
  bash tests/scripts/run_command_test.sh
}

run_package() {
  bash scripts/package.sh
  local version
  version=$(sed -n 's/^#define KV_VERSION "\(.*\)"$/\1/p' build/native/generated/kv_version.h)
  bash tests/package/deb_test.sh "build/native/package/kvtool_${version}_amd64.deb" "$version"
  # The setup test uses the development folder's virtual keyboard and kvsim as well.
  cmake --build build/win -j"$jobs" --target quorvex kvsim
  [ -n "${xvfb_pid:-}" ] || start_display
  bash tests/package/setup_test.sh "build/win/package/Kelvane-$version-setup.exe" build/win "$version"
}

run_hidlab() {
  configure build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build/native -j"$jobs" --target kvsim kv_dist
  configure build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build/win -j"$jobs" --target kv_dist hidlab_app
  [ -n "${xvfb_pid:-}" ] || start_display
  bash scripts/hidlab/wineprefix.sh
  bash scripts/hidlab/run.sh tests/hidlab/hidlab_test.sh
}

for s in "${stages[@]}"; do
  echo "=== $s ==="
  "run_$s"
done
echo "=== all tests passed ==="
