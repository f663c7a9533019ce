#!/usr/bin/env bash
# Runs the test programs that ./test.sh built once more, as an ordinary user, so
# that a test passing only as root fails (a booth's maintainer is not root).
# Run as root after ./test.sh (.ci/run does); the user is TOLVO_TEST_USER, else
# nobody, with a home of its own for the run. The tests that need root are
# skipped there and named at the end, as for any user.
#
# The run lives in namespaces of its own (scripts/private-run.sh): what it opens
# for the user is mounted there only and its processes end with it, so a run
# that is stopped, by SIGKILL too, changes no mode, owner or file of the machine.
set -euo pipefail
# The physical path: the one CMake recorded and the one the mounts below may hide.
cd -P "$(dirname "$0")/.."
repo="$PWD"
user="${TOLVO_TEST_USER:-nobody}"
testing="$repo/build/test/Testing"
# shellcheck source=scripts/private-run.sh
. scripts/private-run.sh

# as_user COMMAND...: COMMAND as the user, started fresh, for a process of that
# user's may read another's environment and take its descriptors: root's
# variables are cleared before runuser starts, the user gets those named here
# (root's locale when it has one) and no descriptor above 2. It works in the
# checkout, this shell's folder since the script's start, which the user is
# given (by its path, one under /tmp is back only after open_way). That user
# may stop it too: root's timeout kills it after user_bound seconds (60).
as_user() (
  close_descriptors
  exec env -i PATH="$PATH" timeout -s KILL "${user_bound:-60}" runuser -u "$user" -- \
    env HOME=/tmp/home TMPDIR=/tmp ${LANG:+LANG="$LANG"} ${LC_ALL:+LC_ALL="$LC_ALL"} "$@"
)

# Each folder on the way to the checkout that the user may not enter (root's
# home) is covered, for this run only, by an empty one it may; private_tmp then
# mounts the checkout back at its path.
open_way() {
  local dir="" part parts
  IFS=/ read -ra parts <<<"${repo#/}"
  unset 'parts[-1]'
  for part in "${parts[@]}"; do
    dir="$dir/$part"
    [ -e "$dir" ] || mkdir -m 755 "$dir"
    as_user test -x "$dir" || mount -t tmpfs -o mode=755 tolvo-way "$dir"
  done
}

# The port locks the tests take (LCK..<device>, naming a PID of this run's own
# namespace, which means nothing outside it) go to a lock folder of the run's
# own, so that none outlives it.
private_locks() {
  local dir covered=""
  for dir in /run/lock /var/lock; do
    [ -d "$dir" ] || continue
    dir="$(realpath "$dir")"
    [[ "$covered" == *"|$dir|"* ]] && continue
    covered="$covered|$dir|"
    mount -t tmpfs -o mode=1777 tolvo-lock "$dir"
  done
}

# In the run's namespaces, as root: the user's view, then the tests as the user.
inside() {
  private_tmp "$repo" open_way
  private_locks
  cd "$repo"
  if ! as_user test -r CMakePresets.json -a -x build/test/app_tests -a -r build/test/CTestTestfile.cmake; then
    echo "test-as-user: $user cannot read the checkout or its build/test (a umask that hides them from others?)" >&2
    exit 1
  fi
  # CTest keeps its log in the build folder: the user's goes to a folder of the run's.
  mount -t tmpfs -o "mode=700,uid=$(id -u "$user"),gid=$(id -g "$user")" tolvo-testing "$testing"
  install -d -m 700 -o "$user" /tmp/home
  echo "The test programs again, as $user:"
  # Far more than a run takes on two cores.
  local status=0
  user_bound=3600 as_user ./scripts/run-tests.sh /tmp/home/test-reports || status=$?
  if [ "$status" = 137 ]; then echo "test-as-user: the tests as $user did not end within an hour: killed" >&2; fi
  return "$status"
}

if [ "${1:-}" = --inside ]; then
  inside
  exit
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "test-as-user: needs root to run as $user; as an ordinary user ./test.sh is that run" >&2
  exit 1
fi
if [ ! -x build/test/app_tests ] || [ ! -d "$testing" ]; then
  echo "test-as-user: build/test has no test programs or no run of them: run ./test.sh first" >&2
  exit 1
fi
private_run "$repo/scripts/test-as-user.sh" --inside
