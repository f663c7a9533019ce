#!/usr/bin/env bash
# Installs what is missing, builds the tests with the sanitizers and runs them all.
# Fails when a test fails or when no test ran at all; ends by naming the tests
# that were skipped and why, and the test programs that ended without a report.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/deps.sh
cmake --preset test >/dev/null
cmake --build --preset test
# The byte parsers under libFuzzer, a fixed number of inputs each (scripts/fuzz.sh N for longer).
./scripts/fuzz.sh
exec ./scripts/run-tests.sh
