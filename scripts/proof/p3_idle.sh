#!/usr/bin/env bash
# Speed, idle: CPU that Kelvane.exe uses under Wine with the virtual keyboard attached and nothing happening,
# first hidden in the notification area, then with its window shown (bench/idle_cpu_win_bench.cpp).
# Goals: hidden at most 0.1 % of one core, shown at most 0.5 %.
# Usage: scripts/proof/p3_idle.sh [--quick]
#   PROOF_IDLE_SECONDS  seconds per phase (default 60; 10 with --quick)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
seconds=60
[ "$quick" -eq 1 ] && seconds=10
seconds=${PROOF_IDLE_SECONDS:-$seconds}
proof_build_win idle_cpu_win_bench kelvane_testbuild quorvex kvsim || exit 1
proof_wine
out=$(mktemp)
trap 'rm -f "$out"; wineserver -k 2>/dev/null || true; [ -z "${proof_xvfb_pid:-}" ] || kill "$proof_xvfb_pid" 2>/dev/null || true' EXIT
wine build/win/bin/idle_cpu_win_bench.exe "$seconds" | tr -d '\r' | tee "$out"
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1
hidden=$(proof_value hidden_percent "$out")
shown=$(proof_value shown_percent "$out")
[ -n "$hidden" ] && [ -n "$shown" ] || { echo "p3_idle: the benchmark printed no figure" >&2; exit 1; }
proof_figure P3 "idle CPU, hidden in the notification area (${seconds} s)" "<= 0.1 % of one core" \
  "$(printf '%.3f %%' "$hidden")" "$(proof_verdict "$hidden" '<=' 0.1)"
proof_figure P3 "idle CPU, window shown (${seconds} s)" "<= 0.5 % of one core" \
  "$(printf '%.3f %%' "$shown")" "$(proof_verdict "$shown" '<=' 0.5)"
