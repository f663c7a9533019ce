#!/usr/bin/env bash
# What scripts/steps.sh promises, held by a made-up script that runs one step:
# a tree of processes, a file in the step's TMPDIR and a port lock naming one of
# them. Stopped by a TERM to the script, an INT to its process group (a Ctrl-C at
# its terminal) or a SIGKILL to it, the script ends with the signal's status and
# no process of the step, no step folder and no lock is left.
set -uo pipefail
steps="$(cd -P "$(dirname "$0")/../../scripts" && pwd)/steps.sh"
# shellcheck source=scripts/steps.sh
. "$steps" # `living`
locks=/run/lock
[ -w "$locks" ] || locks=/var/lock
if [ ! -w "$locks" ]; then
  echo "steps-test: no lock folder this user may write in (/run/lock, /var/lock)" >&2
  exit 1
fi
work="$(mktemp -d)"
lock="$locks/LCK..tolvo-steps-test.$$"
trap 'rm -rf "$work" "$lock"' EXIT

cat >"$work/script.sh" <<'SCRIPT'
set -euo pipefail
. "$STEPS"
steps_begin "$0" "$@"
# Two sleeps, one a grandchild; the lock names the first; then the step's group
# and folder are told, the last file made.
step bash -c 'sleep 600 & first=$!
  bash -c "sleep 600 & wait" &
  : >"$TMPDIR/file"
  printf "%s\nsleep\n%s\n" "$first" "$HOSTNAME" >"$LOCK"
  read -r stat </proc/$$/stat; fields=(${stat##*) })
  echo "${fields[2]} $TMPDIR" >"$READY.new" && mv "$READY.new" "$READY"
  wait'
SCRIPT

# within SECONDS COMMAND...: true once COMMAND holds, tried for at most SECONDS.
within() {
  local until=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$until" ] || return 1
    sleep 0.1
  done
}
group_gone() {
  local file stat fields
  for file in /proc/[0-9]*/stat; do
    read -r stat 2>/dev/null <"$file" || continue
    read -ra fields <<<"${stat##*) }"
    if [ "${fields[2]}" = "$1" ] && [ "${fields[0]}" != Z ]; then return 1; fi
  done
}
ended() { ! living "$1"; }
settled() { group_gone "$1" && [ ! -e "$lock" ] && ! compgen -G "$work/tmp/tolvo-step.*" >/dev/null; }

# what | how it is stopped ($pid: the script, leader of its own group; $reader:
# the reader of its output, when that goes through a pipe) | status | seconds to
# settle after it ends
rows=(
  "TERM to the script|kill -TERM \$pid|143|0"
  "INT to its process group|kill -INT -- -\$pid|130|0"
  "INT with its output's reader (tee) ended first|kill \$reader; wait \$reader; kill -INT -- -\$pid|130|0"
  "SIGKILL to the script|kill -KILL \$pid|137|15"
)
mkfifo "$work/output"
failed=0
for row in "${rows[@]}"; do
  IFS='|' read -r what stop want settle <<<"$row"
  before=$failed
  failed=0
  mkdir -p "$work/tmp"
  rm -f "$work/ready"
  exec 3>&2
  if [[ "$stop" == *reader* ]]; then
    cat "$work/output" >/dev/null &
    reader=$!
    exec 3>"$work/output"
  fi
  # A background job: SIGINT starts ignored, as from another script.
  TMPDIR="$work/tmp" STEPS="$steps" LOCK="$lock" READY="$work/ready" setsid bash "$work/script.sh" 2>&3 &
  pid=$!
  exec 3>&-
  if ! within 20 test -s "$work/ready"; then
    echo "steps-test: $what: the step never started" >&2
    kill -KILL -- "-$pid" 2>/dev/null
    failed=1
    continue
  fi
  read -r group folder <"$work/ready"
  [ -f "$folder/file" ] && [ -f "$lock" ] || { echo "steps-test: $what: no file in the step's folder, or no lock" >&2; failed=1; }
  eval "$stop"
  status=0
  if within 30 ended "$pid"; then wait "$pid" || status=$?; else status="none within 30 s"; kill -KILL "$pid"; fi
  if [ "$status" != "$want" ]; then
    echo "steps-test: $what: the script ended with $status, not $want" >&2
    failed=1
  fi
  if ! within "$settle" settled "$group"; then
    echo "steps-test: $what: left behind: $(group_gone "$group" || echo "processes of group $group;")" \
      "$([ -e "$folder" ] && echo "the step folder;")" "$([ -e "$lock" ] && echo "the port lock")" >&2
    failed=1
    kill -KILL -- "-$group" 2>/dev/null
  fi
  rm -rf "$work/tmp" "$lock"
  if [ "$failed" = 0 ]; then echo "steps-test: $what: ended with $status, nothing left"; fi
  failed=$((failed | before))
done
exit "$failed"
