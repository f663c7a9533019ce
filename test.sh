#!/usr/bin/env bash
# Installs what is missing, builds the tests with the sanitizers and runs them all.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake --preset test >/dev/null
cmake --build --preset test
export QT_QPA_PLATFORM=offscreen
ctest --preset test -j "$(nproc)"
