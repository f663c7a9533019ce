#!/usr/bin/env bash
# Installs what is missing, builds the station and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tolvo
export TOLVO_HOME="${TOLVO_HOME:-$PWD/station}"
mkdir -p "$TOLVO_HOME"
exec ./build/release/tolvo "$@"
