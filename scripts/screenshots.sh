#!/usr/bin/env bash
# The README's pictures of the main screen and the tariff screen, taken from
# the release build on a year-of-data folder with the offscreen Qt platform.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target bench_year_data bench_station >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
build/release/bench_year_data "$work/year" >/dev/null
mkdir -p docs
build/release/bench_station screens "$work/year" docs
ls -l docs/*.png
