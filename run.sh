#!/usr/bin/env bash
# Installs what is missing, builds the station and starts it. A TERM, INT or HUP
# before the start ends the step under way, and all it started (scripts/steps.sh).
set -euo pipefail
# shellcheck source=scripts/steps.sh
. "$(dirname "$0")/scripts/steps.sh"
steps_begin "$0" "$@"
cd -P "$(dirname "$0")"
# It may ask for sudo's password at the terminal.
step_at_terminal ./scripts/deps.sh
step cmake --preset release >/dev/null
step cmake --build --preset release --target tolvo
export TOLVO_HOME="${TOLVO_HOME:-$PWD/station}"
mkdir -p "$TOLVO_HOME"
if [ "$(id -u)" -eq 0 ]; then
  echo "Starting the station as root. At the booth it runs as an ordinary user of its own:" \
       "see \"The station's own user\" in README.md." >&2
fi
exec ./build/release/tolvo "$@"
