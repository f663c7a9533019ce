#!/usr/bin/env bash
# The station's response with a year of data (README, "Response with a year of
# data"): installs what is missing, builds the release programs, makes a
# year-of-data program folder in a temporary folder, then measures start-up to
# the login screen (three launches), the fee's latency through the display port
# for typed and read tickets, the syncs each kind of item costs, and then, for a
# disk whose every sync takes 0, 1 and 5 ms longer (a preloaded shim,
# bench/preload): typed exits while the receiving ports are fed at full rate, a
# busy car park's peak at its own pace, 5 and 20 times it, and the peak with one
# card held in a gate reader's field, read again and again at the line's rate.
#   scripts/measure.sh [tickets, default 500] [seconds of serial load, default 60]
#                      [seconds of each peak, default 60] [seconds of the held card, default 120]
# SYNC_DELAYS="0 1 5" (milliseconds added to each sync) chooses the disks.
# Every phase runs, whatever the one before it did; a backlog not worked off
# within the cap is a measured result. The script ends with status 1 when a
# phase could not measure at all.
set -euo pipefail
cd "$(dirname "$0")/.."
tickets="${1:-500}"
load="${2:-60}"
peak="${3:-60}"
card="${4:-120}"
delays="${SYNC_DELAYS:-0 1 5}"
./scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target bench_year_data bench_station sync_delay >/dev/null
shim="$PWD/build/release/libsync_delay.so"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
build/release/bench_year_data "$work/year"

failed=()
phase() {
  local name="$1" rc=0
  shift
  "$@" || rc=$?
  case "$rc" in
    0) ;;
    6) echo "measure: $name: frames still unhandled when the wait ended" ;;
    *) echo "measure: $name ended with status $rc"; failed+=("$name") ;;
  esac
}

for run in 1 2 3; do
  phase "startup $run" build/release/bench_station startup "$work/year" "$(date +%s%N)"
done
phase latency build/release/bench_station latency "$work/year" "$tickets"
phase syncs env LD_PRELOAD="$shim" build/release/bench_station syncs "$work/year" 50
for delay in $delays; do
  echo "measure: each sync of the database and the settings file $delay ms slower"
  slow=(env LD_PRELOAD="$shim" TOLVO_SYNC_DELAY_US=$((delay * 1000)))
  phase "load, $delay ms" "${slow[@]}" build/release/bench_station load "$work/year" "$load"
  for scale in 1 5 20; do
    phase "peak x$scale, $delay ms" "${slow[@]}" build/release/bench_station peak "$work/year" "$scale" "$peak"
  done
  phase "card, $delay ms" "${slow[@]}" build/release/bench_station card "$work/year" 1 "$card"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "measure: no figures from: ${failed[*]}"
  exit 1
fi
