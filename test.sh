#!/usr/bin/env bash
# Installs what is missing, builds the tests with the sanitizers and runs them all.
# Fails when a test fails or when no test ran at all.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake --preset test >/dev/null
cmake --build --preset test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
ctest --preset test --no-tests=error -j "$(nproc)"
# The byte parsers under libFuzzer, a fixed number of inputs each (scripts/fuzz.sh N for longer).
./scripts/fuzz.sh
