# Shared by the proof parts (sourced, not run): the builds they need, the Windows environment, and the
# one line per figure that scripts/proof.sh collects.
# After sourcing: $root is the repository and the current folder; $quick is 1 when the part got --quick.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
cd "$root"
quick=0
for arg in "$@"; do
  case "$arg" in
    --quick) quick=1 ;;
    *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
  esac
done
jobs=$(nproc)

# The same build folders and options as scripts/test.sh, so a proof run and a test run share their work.
proof_launcher=()
if command -v ccache >/dev/null 2>&1; then
  proof_launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
fi

# Packages first, once per proof run (scripts/proof.sh sets PROOF_PREPARED after doing it).
proof_deps() {
  [ -n "${PROOF_PREPARED:-}" ] || bash scripts/deps.sh
}

proof_build_native() {  # proof_build_native <target>...
  proof_deps
  [ -f build/native/build.ninja ] ||
    cmake -S . -B build/native -G Ninja "${proof_launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$jobs" --target "$@"
}

proof_build_win() {  # proof_build_win <target>...
  proof_deps
  [ -f build/win/build.ninja ] ||
    cmake -S . -B build/win -G Ninja "${proof_launcher[@]}" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/win -j"$jobs" --target "$@"
}

# Wine with the test prefix of build/win and a virtual display of its own (unless PROOF_KEEP_DISPLAY and
# DISPLAY name one to use). The display and this prefix's wine server end with the part.
proof_wine() {
  export WINEPREFIX="$root/build/win/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ -z "${PROOF_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
    local fifo num
    fifo=$(mktemp -u); mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    proof_xvfb_pid=$!
    read -r num <"$fifo"; rm -f "$fifo"
    export DISPLAY=":$num"
    trap 'wineserver -k 2>/dev/null || true; kill $proof_xvfb_pid 2>/dev/null || true' EXIT
  else
    trap 'wineserver -k 2>/dev/null || true' EXIT
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot -i >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
  fi
}

# A figure, as scripts/proof.sh reads it: proof_figure <id> <name> <goal text> <measured text> <PASS|FAIL|SKIP>
proof_figure() {
  printf 'PROOF|%s|%s|%s|%s|%s\n' "$1" "$2" "$3" "$4" "$5"
}

# The value of "figure <name> <value>" in a benchmark's output (the last one), or nothing.
proof_value() {  # proof_value <name> <file>
  awk -v n="$1" '$1 == "figure" && $2 == n { v = $3 } END { if (v != "") print v }' "$2"
}

# PASS when awk's comparison "<value> <op> <limit>" holds, FAIL otherwise (also when there is no value).
proof_verdict() {  # proof_verdict <value> <op> <limit>
  if [ -n "$1" ] && awk -v v="$1" -v l="$3" "BEGIN { exit !(v $2 l) }"; then echo PASS; else echo FAIL; fi
}
