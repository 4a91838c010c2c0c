#!/usr/bin/env bash
# Reliability, crash safety: the working profile file is saved with the program's own save while the saving
# process is killed with SIGKILL at random moments (bench/save_crash_bench.cpp); afterwards the file is
# always the old or the new content and validates.
# Usage: scripts/proof/r3_crash.sh [--quick]
#   PROOF_CRASH_KILLS  how many kills (default 1000; 50 with --quick)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
kills=1000
[ "${1:-}" = --quick ] && kills=50
kills=${PROOF_CRASH_KILLS:-$kills}
build=${PROOF_NATIVE_BUILD:-build/native}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 2
fi
cmake --build "$build" --target save_crash_bench >/dev/null || { echo "r3_crash: the build failed" >&2; exit 2; }
"$build/bin/save_crash_bench" "$kills" || exit 2
