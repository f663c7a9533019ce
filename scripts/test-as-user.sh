#!/usr/bin/env bash
# Runs the test programs that ./test.sh built once more, as an ordinary user, so
# that a test passing only as root fails (a booth's maintainer is not root).
# Run as root after ./test.sh (.ci/run does); the user is TOLVO_TEST_USER, else
# nobody, with a home of its own for the run. The tests that need root are
# skipped there and named at the end, as for any user.
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
user="${TOLVO_TEST_USER:-nobody}"

if [ "$(id -u)" -ne 0 ]; then
  echo "test-as-user: needs root to run as $user; as an ordinary user ./test.sh is that run" >&2
  exit 1
fi
if [ ! -x build/test/app_tests ]; then
  echo "test-as-user: build/test has no test programs: run ./test.sh first" >&2
  exit 1
fi

as_user() { runuser -u "$user" -- "$@"; }

# In /tmp, which every user may enter, whatever TMPDIR names.
work="$(mktemp -d /tmp/tolvo-as-user.XXXXXX)"
opened=()   # folders on the way to the checkout that were given a search bit for the run
testing="$repo/build/test/Testing"
mkdir -p "$testing"
testing_owner="$(stat -c %u:%g "$testing")"
cleanup() {
  local d
  for d in "${opened[@]}"; do chmod o-x "$d" || true; done
  chown -R "$testing_owner" "$testing" || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# A checkout under a folder others may not enter (root's home) is reached for
# the run only: each such folder on the way gets the search bit, not the read bit.
dir=""
IFS=/ read -ra parts <<<"${repo#/}"
for part in "${parts[@]}"; do
  dir="$dir/$part"
  if ! as_user test -x "$dir"; then
    chmod o+x "$dir"
    opened+=("$dir")
  fi
done
if ! as_user test -r CMakePresets.json -a -x build/test/app_tests -a -r build/test/CTestTestfile.cmake; then
  echo "test-as-user: $user cannot read the checkout or its build/test (a umask that hides them from others?)" >&2
  exit 1
fi

# CTest keeps its log in the build folder; the user's results go to its own folder.
chown -R "$user" "$testing" "$work"
echo "The test programs again, as $user:"
as_user env HOME="$work" TMPDIR="$work" ./scripts/run-tests.sh "$work/test-reports"
