#!/usr/bin/env bash
# Reliability, crash safety: the working profile file is saved with the program's own save while the saving
# process is killed with SIGKILL at random moments (bench/save_crash_bench.cpp); afterwards the file is
# always the old or the new content and validates.
# Usage: scripts/proof/r3_crash.sh [--quick]
#   PROOF_CRASH_KILLS  how many kills (default 1000; 50 with --quick)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
kills=1000
[ "$quick" -eq 1 ] && kills=50
kills=${PROOF_CRASH_KILLS:-$kills}
proof_build_native save_crash_bench >/dev/null || { echo "r3_crash: the build failed" >&2; exit 2; }
build/native/bin/save_crash_bench "$kills" || exit 2
