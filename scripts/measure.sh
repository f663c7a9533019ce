#!/usr/bin/env bash
# The station's response with a year of data (README, "Response with a year of
# data"): builds the release programs, makes a year-of-data program folder in a
# temporary folder, then measures start-up to the login screen (three launches)
# and the fee's latency through the display port for typed and read tickets,
# then again for typed exits while the receiving ports are fed at full rate.
#   scripts/measure.sh [tickets, default 500] [seconds of serial load, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
tickets="${1:-500}"
cmake --preset release >/dev/null
cmake --build --preset release --target bench_year_data bench_station >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
build/release/bench_year_data "$work/year"
for run in 1 2 3; do
  build/release/bench_station startup "$work/year" "$(date +%s%N)"
done
build/release/bench_station latency "$work/year" "$tickets"
build/release/bench_station load "$work/year" "${2:-60}"
