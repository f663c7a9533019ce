#!/usr/bin/env bash
# Installs what is missing, builds the tests with the sanitizers and runs them all.
# Fails when a test fails or when no test ran at all; ends by naming the tests
# that were skipped and why, and the test programs that ended without a report.
# A TERM, INT or HUP to this script alone ends the step under way, and all it
# started, within seconds (scripts/steps.sh).
set -euo pipefail
# shellcheck source=scripts/steps.sh
. "$(dirname "$0")/scripts/steps.sh"
steps_begin "$0" "$@"
cd -P "$(dirname "$0")"
# It may ask for sudo's password at the terminal.
step_at_terminal ./scripts/deps.sh
step cmake --preset test >/dev/null
step cmake --build --preset test
# The byte parsers under libFuzzer, a fixed number of inputs each (scripts/fuzz.sh N for longer).
step ./scripts/fuzz.sh
step ./scripts/run-tests.sh
