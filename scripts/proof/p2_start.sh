#!/usr/bin/env bash
# Speed, start to ready: from starting Kelvane.exe under Wine (virtual keyboard attached) until its
# notification-area icon is added, against the plainest program with a dialog and a notification-area icon
# started the same way, side by side in one run (bench/start_to_ready_win_bench.cpp). Both ways of starting:
# at logon (window hidden) and by the user (window shown). Goal: at most 1.5 times the plain program.
# Usage: scripts/proof/p2_start.sh [--quick]
#   PROOF_START_ROUNDS  starts of each program per way, the medians count (default 10; 3 with --quick)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
rounds=10
[ "$quick" -eq 1 ] && rounds=3
rounds=${PROOF_START_ROUNDS:-$rounds}
proof_build_win start_to_ready_win_bench || exit 1
proof_wine
out=$(mktemp)
trap 'rm -f "$out"; wineserver -k 2>/dev/null || true; [ -z "${proof_xvfb_pid:-}" ] || kill "$proof_xvfb_pid" 2>/dev/null || true' EXIT
wine build/win/bin/start_to_ready_win_bench.exe "$rounds" | tr -d '\r' | tee "$out"
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1
missing=0
for way in logon:"at logon, window hidden" user:"by the user, window shown"; do
  name=${way%%:*} what=${way#*:}
  ratio=$(proof_value "${name}_ratio" "$out")
  program=$(proof_value "${name}_program_ms" "$out")
  minimal=$(proof_value "${name}_minimal_ms" "$out")
  if [ -z "$ratio" ]; then missing=1; continue; fi
  proof_figure P2 "start to tray icon, $what, vs a minimal tray program" "<= 1.5x" \
    "$(printf '%.2fx (%s ms vs %s ms, medians of %s)' "$ratio" "$program" "$minimal" "$rounds")" \
    "$(proof_verdict "$ratio" '<=' 1.5)"
done
[ "$missing" -eq 0 ] || { echo "p2_start: the benchmark printed no figure" >&2; exit 1; }
