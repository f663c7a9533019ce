#!/usr/bin/env bash
# The long reliability run, by hand: 200 kills during exits (or $1) and the
# fuzz targets for 1,000,000 inputs each (or $2). Uses the test and fuzz builds.
set -euo pipefail
cd -P "$(dirname "$0")/.."
kills="${1:-200}"
inputs="${2:-1000000}"
cmake --preset test >/dev/null
cmake --build --preset test --target app_tests
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
TOLVO_KILLS="$kills" build/test/app_tests --gtest_filter='KillDuringExits.*:FullDisk*'
./scripts/fuzz.sh "$inputs"
