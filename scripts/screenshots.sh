#!/usr/bin/env bash
# The README's pictures of the main screen and the tariff screen, taken from
# the release build on a year-of-data folder with the offscreen Qt platform.
#   scripts/screenshots.sh [out folder, default docs] [screen WxH] [long]
# A screen size (for example 1024x768) sets the offscreen screen's size; "long"
# shows the main screen with its widest texts (seven-digit counters, the longest
# message) and also saves the whole screen around it (whole-screen.png).
set -euo pipefail
cd -P "$(dirname "$0")/.."
out="${1:-docs}"
size="${2:-}"
long="${3:-}"
cmake --preset release >/dev/null
cmake --build --preset release --target bench_year_data bench_station >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
build/release/bench_year_data "$work/year" >/dev/null
mkdir -p "$out"
if [ -n "$size" ]; then
  w="${size%x*}" h="${size#*x}"
  printf '{"screens": [{"name": "screen", "x": 0, "y": 0, "width": %d, "height": %d, "logicalDpi": 96}]}\n' "$w" "$h" \
    >"$work/screen.json"
  export QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json"
fi
build/release/bench_station screens "$work/year" "$out" ${long:+long}
ls -l "$out"/*.png
