#!/usr/bin/env bash
# The station's response with a year of data (README, "Response with a year of
# data"): installs what is missing, builds the release programs, makes a
# year-of-data program folder in a temporary folder, then measures start-up to
# the login screen (three launches), the fee's latency through the display port
# for typed and read tickets, typed exits while the receiving ports are fed at
# full rate, and a busy car park's peak at its own pace, 5 and 20 times it.
#   scripts/measure.sh [tickets, default 500] [seconds of serial load, default 60]
#                      [seconds of each peak, default 60]
# Every phase runs, whatever the one before it did; a backlog not worked off
# within the cap is a measured result. The script ends with status 1 when a
# phase could not measure at all.
set -euo pipefail
cd "$(dirname "$0")/.."
tickets="${1:-500}"
load="${2:-60}"
peak="${3:-60}"
./scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target bench_year_data bench_station >/dev/null
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
phase load build/release/bench_station load "$work/year" "$load"
for scale in 1 5 20; do
  phase "peak x$scale" build/release/bench_station peak "$work/year" "$scale" "$peak"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "measure: no figures from: ${failed[*]}"
  exit 1
fi
