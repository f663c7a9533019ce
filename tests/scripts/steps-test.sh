#!/usr/bin/env bash
# What scripts/steps.sh promises, held by a made-up script that runs one step:
# a tree of processes, files in the step's TMPDIR and in its folder open to all
# (its TMPDIR here is closed to others) and a port lock naming one of them.
# Stopped by a TERM, INT or HUP to the script or its process group (a Ctrl-C at
# its terminal) or a SIGKILL to it, the script ends with the signal's status and
# no process of the step, no step folder and no lock is left. Then the sweep at
# a script's start: what a step whose lead was killed outright left, and what is
# not its to touch. All in a lock folder and temporary folders of the test's own.
set -uo pipefail
steps="$(cd -P "$(dirname "$0")/../../scripts" && pwd)/steps.sh"
# shellcheck source=scripts/steps.sh
. "$steps" # `living`
work="$(mktemp -d)"
trap 'chmod -R u+rwX "$work"; rm -rf "$work"' EXIT
locks="$work/locks"
lock="$locks/LCK..tolvo-steps-test"
mkdir "$locks" "$work/open"
export STEPS="$steps" LOCK="$lock" READY="$work/ready" STEPS_LOCK_FOLDERS="$locks" STEPS_OPEN_FOLDERS="$work/open"

cat >"$work/script.sh" <<'SCRIPT'
set -euo pipefail
. "$STEPS"
steps_begin "$0" "$@"
cd /
[ -z "${SWEEP_ONLY:-}" ] || exit 0
# Two sleeps, one a grandchild, holding out against TERM if asked; the lock
# names the first; then the step's group and folders are told, the last file made.
step bash -c '[ -z "${HOLD_OUT:-}" ] || trap "" TERM
  sleep 600 & first=$!
  bash -c "sleep 600 & wait" &
  : >"$TMPDIR/file"
  : >"$TOLVO_OPEN_TMPDIR/file"
  printf "%s\nsleep\n%s\n" "$first" "$HOSTNAME" >"$LOCK"
  read -r stat </proc/$$/stat; fields=(${stat##*) })
  echo "${fields[2]} $TMPDIR $TOLVO_OPEN_TMPDIR" >"$READY.new" && mv "$READY.new" "$READY"
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
group_gone() { processes_where 2 "$1" && [ ${#processes[@]} = 0 ]; }
ended() { ! living "$1"; }
no_step_folder() { ! compgen -G "$work/tmp/tolvo-step.*" >/dev/null && ! compgen -G "$work/open/tolvo-step.*" >/dev/null; }
settled() { group_gone "$1" && [ ! -e "$lock" ] && no_step_folder; }
# start [VARIABLE=VALUE...]: the script in the background, from $work, with a
# TMPDIR of the test's own (closed to others, as $work is); $pid is its PID.
start() {
  mkdir -p "$work/tmp"
  rm -f "$work/ready"
  (cd "$work" && exec env TMPDIR="$work/tmp" "$@" setsid bash "$work/script.sh") 2>&3 &
  pid=$!
}
# The script's end, waited for a bounded time.
finish() { within 30 ended "$pid" || kill -KILL "$pid"; wait "$pid"; }

# what | how it is started | how it is stopped ($pid: the script, leader of its
# own group; $reader: the reader of its output, when that goes through a pipe) |
# status | seconds to settle after it ends
rows=(
  "TERM to the script|TMPDIR=tmp|kill -TERM \$pid|143|0"
  "INT to its process group||kill -INT -- -\$pid|130|0"
  "INT with its output's reader (tee) ended first||kill \$reader; wait \$reader; kill -INT -- -\$pid|130|0"
  "HUP to the script||kill -HUP \$pid|129|0"
  "TERM to the script, its step holding out against TERM|HOLD_OUT=1|kill -TERM \$pid|143|0"
  "SIGKILL to the script||kill -KILL \$pid|137|15"
)
mkfifo "$work/output"
failed=0
for row in "${rows[@]}"; do
  IFS='|' read -r what given stop want settle <<<"$row"
  before=$failed
  failed=0
  exec 3>&2
  if [[ "$stop" == *reader* ]]; then
    cat "$work/output" >/dev/null &
    reader=$!
    exec 3>"$work/output"
  fi
  # A background job: SIGINT starts ignored, as from another script. A relative
  # TMPDIR is the folder's under the one the script was started in.
  start $given
  exec 3>&-
  if ! within 20 test -s "$work/ready"; then
    echo "steps-test: $what: the step never started" >&2
    kill -KILL -- "-$pid" 2>/dev/null
    failed=1
    continue
  fi
  read -r group folder open <"$work/ready"
  [ -f "$folder/file" ] && [ -f "$open/file" ] && [ -f "$lock" ] ||
    { echo "steps-test: $what: no file in the step's folders, or no lock" >&2; failed=1; }
  eval "$stop"
  status=0
  if within 30 ended "$pid"; then wait "$pid" || status=$?; else status="none within 30 s"; kill -KILL "$pid"; fi
  if [ "$status" != "$want" ]; then
    echo "steps-test: $what: the script ended with $status, not $want" >&2
    failed=1
  fi
  if ! within "$settle" settled "$group"; then
    echo "steps-test: $what: left behind: $(group_gone "$group" || echo "processes of group $group;")" \
      "$(no_step_folder || echo "a step folder;")" "$([ -e "$lock" ] && echo "the port lock")" >&2
    failed=1
    kill -KILL -- "-$group" 2>/dev/null
  fi
  rm -rf "$work/tmp" "$lock"
  if [ "$failed" = 0 ]; then echo "steps-test: $what: ended with $status, nothing left"; fi
  failed=$((failed | before))
done

out="$(TMPDIR="$work/none" bash "$work/script.sh" 2>&1)"
[ $? = 1 ] && [[ "$out" == *"TMPDIR names $work/none, which is no folder"* && "$out" != *$'\n'* ]] ||
  { echo "steps-test: a TMPDIR that is no folder: not stopped with one line: $out" >&2; failed=1; }

# report WHAT GOT WANT
report() {
  if [ "$2" = "$3" ]; then echo "steps-test: $1: $2"; else echo "steps-test: $1: $2, not $3" >&2 && failed=1; fi
}

# The sweep at a script's start. Beside a live step: port locks, a link named
# as the folder of a step that is gone, pointing at a tree of read-only modes,
# and, as root, another user's lock.
bash -c 'exit 0' &
dead=$!
wait "$dead"
ns="$(stat -L -c %i /proc/self/ns/pid)"
for lock_file in "live $$" "zeros $(printf %010d $$)" "dead $dead" "junk x1" "other $dead" "elsewhere $dead"; do
  printf "%s\nsleep\n%s\n" "${lock_file#* }" "$HOSTNAME" >"$locks/LCK..${lock_file%% *}"
done
chmod 644 "$locks"/LCK..* && mv "$locks/LCK..elsewhere" "$work/elsewhere" && ln -s "$work/elsewhere" "$locks/LCK..link"
if [ "$EUID" = 0 ]; then chown 65534:65534 "$locks/LCK..other"; fi
install -D -m 440 /dev/null "$work/tree/ro/file" && chmod 555 "$work/tree/ro" && mkdir "$work/tmp"
ln -s "$work/tree" "$work/tmp/tolvo-step.$ns-$dead.x"
exec 3>&2
start
within 20 test -s "$work/ready" || { echo "steps-test: the sweep's step never started" >&2; exit 1; }
read -r group folder open <"$work/ready"
# what is done to the step | what a sweep after it does with the step's folders
phases=(
  "its lead living|:|kept"
  "its lead killed outright, its processes living|kill -KILL \$group; finish|kept"
  "its processes ended too|kill -KILL -- -\$group; within 5 group_gone \$group|removed"
)
for phase in "${phases[@]}"; do
  IFS='|' read -r what act want <<<"$phase"
  eval "$act"
  SWEEP_ONLY=1 start
  finish
  report "a step folder, $what" "$([ -d "$folder" ] || [ -d "$open" ] && echo kept || echo removed)" "$want"
done
kill -KILL -- "-$group" 2>/dev/null
# what | the entry, in the test's folder | what is there after the sweeps: its mode, a link or nothing
entries=(
  "a live lock|locks/LCK..live|644"
  "a live lock written with leading zeros|locks/LCK..zeros|644"
  "a dead lock of this user's|locks/LCK..dead|nothing"
  "another user's lock|locks/LCK..other|644"
  "a junk lock|locks/LCK..junk|644"
  "a link in the lock folder|locks/LCK..link|a link"
  "what that link points at|elsewhere|644"
  "a link named as a step folder|tmp/tolvo-step.$ns-$dead.x|a link"
  "the folder that link points at|tree/ro|555"
  "a file in that folder|tree/ro/file|440"
)
for row in "${entries[@]}"; do
  IFS='|' read -r what entry want <<<"$row"
  if [[ "$what" == another* ]] && [ "$EUID" != 0 ]; then echo "steps-test: $what: skipped, giving a file to another user needs root"; continue; fi
  got=nothing
  if [ -L "$work/$entry" ]; then got="a link"; elif [ -e "$work/$entry" ]; then got="$(stat -c %a "$work/$entry")"; fi
  report "$what" "$got" "$want"
done
exit "$failed"
