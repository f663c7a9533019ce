#!/usr/bin/env bash
# Installs what is missing, builds the station and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tolvo
export TOLVO_HOME="${TOLVO_HOME:-$PWD/station}"
mkdir -p "$TOLVO_HOME"
if [ "$(id -u)" -eq 0 ]; then
  echo "Starting the station as root. At the booth it runs as an ordinary user of its own:" \
       "see \"The station's own user\" in README.md." >&2
fi
exec ./build/release/tolvo "$@"
