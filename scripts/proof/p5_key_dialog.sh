#!/usr/bin/env bash
# Speed, the key assignment dialog: from the open call until it is shown and painted, with 100 macros of
# 2000 actions in the working data, under Wine (bench/key_dialog_open_win_bench.cpp). The first opening also
# builds the window; later ones reuse it. Goal: every figure under 100 ms.
# Usage: scripts/proof/p5_key_dialog.sh [--quick]
#   PROOF_DIALOG_ROUNDS  openings per page (default 20; 5 with --quick)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
rounds=20
[ "$quick" -eq 1 ] && rounds=5
rounds=${PROOF_DIALOG_ROUNDS:-$rounds}
if [ ! -f bench/key_dialog_open_win_bench.cpp ]; then
  proof_figure P5 "key assignment dialog open time" "< 100 ms" "not yet measurable: no dialog benchmark" SKIP
  exit 0
fi
proof_build_win key_dialog_open_win_bench || exit 1
proof_wine
out=$(mktemp)
trap 'rm -f "$out"; wineserver -k 2>/dev/null || true; [ -z "${proof_xvfb_pid:-}" ] || kill "$proof_xvfb_pid" 2>/dev/null || true' EXIT
wine build/win/bin/key_dialog_open_win_bench.exe "$rounds" | tr -d '\r' | tee "$out"
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1
missing=0
for page in key_page:"on a key page" macro_page:"on a key bound to a 2000-action macro"; do
  name=${page%%:*} what=${page#*:}
  first=$(proof_value "${name}_first_ms" "$out")
  median=$(proof_value "${name}_median_ms" "$out")
  if [ -z "$first" ] || [ -z "$median" ]; then missing=1; continue; fi
  proof_figure P5 "key dialog open to shown, $what: first opening" "< 100 ms" "$first ms" \
    "$(proof_verdict "$first" '<' 100)"
  proof_figure P5 "key dialog open to shown, $what: median of $rounds" "< 100 ms" "$median ms" \
    "$(proof_verdict "$median" '<' 100)"
done
[ "$missing" -eq 0 ] || { echo "p5_key_dialog: the benchmark printed no figure" >&2; exit 1; }
