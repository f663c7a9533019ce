#!/usr/bin/env bash
# What scripts/steps.sh promises, held by a made-up script that runs one step:
# a tree of processes (one named with a newline and ") ", one whose main thread
# has ended), files in the step's TMPDIR (a read-only folder too) and in the
# folder it hands to another user (a link to a root file of mode 0000 too) and a
# port lock naming one of them. Stopped by a TERM, INT or HUP to the script or
# its process group (a Ctrl-C at its terminal) or a SIGKILL to it, the script
# ends with the signal's status and no process of the step, no step folder and
# no lock is left, and no mode changed. Then the sweep at a script's start:
# what a step whose lead was killed outright left, and what is not its to
# touch. All in a lock folder and temporary folders of the test's own.
#   tests/scripts/steps-test.sh [main_thread_ends]   (default build/test/main_thread_ends)
set -uo pipefail
steps="$(cd -P "$(dirname "$0")/../../scripts" && pwd)/steps.sh"
main_thread_ends="$(realpath -e -- "${1:-$(dirname "$0")/../../build/test/main_thread_ends}" 2>/dev/null)" ||
  { echo "steps-test: no main_thread_ends program: build the test preset" >&2; exit 1; }
# Where another user may reach it: the folder a step hands over, under one
# (CTest under ./test.sh), else TMPDIR. Absolute: the test changes folder, and
# TMPDIR may be relative.
parent="${TOLVO_OPEN_TMPDIR:-}"
[ -n "$parent" ] && [ -d "$parent" ] && [ -w "$parent" ] || parent="${TMPDIR:-/tmp}"
work="$(realpath -- "$(mktemp -d -p "$parent")")"
# The processes the test itself starts go with it, by the PIDs it took on
# starting them: a folder handed to another user may say any PID.
end_started() { kill -KILL ${threads_lock:+"$threads_lock"} ${other_named:+"$other_named"} 2>/dev/null; }
# Root needs no mode change to remove it, and makes none where another user has been.
trap 'end_started; rm -rf "$work" 2>/dev/null || { [ "$EUID" = 0 ] || chmod -R u+rwX "$work"; rm -rf "$work"; }' EXIT
# Others may pass, so that what a step closes to them is closed by the step.
chmod 711 "$work"
locks="$work/locks"
lock="$locks/LCK..tolvo-steps-test"
mkdir "$locks" "$work/open"
install -m 000 /dev/null "$work/secret"
# Its own lock and open folders before steps.sh reads them.
export STEPS="$steps" LOCK="$lock" READY="$work/ready" STEPS_LOCK_FOLDERS="$locks" STEPS_OPEN_FOLDERS="$work/open" \
  SECRET="$work/secret" MAIN_THREAD_ENDS="$main_thread_ends"
# shellcheck source=scripts/steps.sh
. "$steps" # `living`
# as_other COMMAND...: COMMAND as another user (root only). A process of that
# user's may read another's environment, reach its folder and take its
# descriptors: it starts with PATH alone, in /, with none above 2. That user may
# stop it too: root's timeout kills it after 30 s.
as_other() ( other_bound=30 to_other "$@" )
# to_other COMMAND...: this shell becomes that; as a background job, its PID is $!.
to_other() {
  local bound=()
  [ -z "${other_bound:-}" ] || bound=(timeout -s KILL "$other_bound")
  close_descriptors
  cd / && exec env -i PATH=/usr/bin:/bin "${bound[@]}" setpriv --reuid=65534 --regid=65534 --clear-groups -- "$@"
}
# named_process DIR: a process named with a newline and ") " (a copy of sleep so
# named, in DIR); as a background job, its PID is $!.
named_process() {
  local named="$1/a"$'\n'"b) c"
  cp -- "$(command -v sleep)" "$named" && exec "$named" 600
}
export -f as_other to_other named_process close_descriptors

cat >"$work/script.sh" <<'SCRIPT'
set -euo pipefail
. "$STEPS"
steps_begin "$0" "$@"
cd /
[ -z "${SWEEP_ONLY:-}" ] || exit 0
# A step that leaves a file beside the folder of step folders, in the TMPDIR taken.
[ -z "${MARK:-}" ] || { step bash -c ': >"$TMPDIR/../../mark"'; exit; }
# Two sleeps, one a grandchild, holding out against TERM if asked, a process
# named with a newline and one whose main thread has ended; the lock names the
# first sleep. A read-only folder in TMPDIR; in the folder handed over, a hard
# link to a root file of mode 0000 (what a link swapped in mid-way reaches) and,
# as root, a folder of another user's holding a link to it and a read-only
# folder. Then the step's group, folders and the two processes are told.
step bash -c '[ -z "${HOLD_OUT:-}" ] || trap "" TERM
  sleep 600 & first=$!
  bash -c "sleep 600 & wait" &
  named_process "$TMPDIR" & named=$!
  "$MAIN_THREAD_ENDS" & threads=$!
  : >"$TMPDIR/file"
  mkdir -p "$TMPDIR/ro/in" && chmod 555 "$TMPDIR/ro"
  ln "$SECRET" "$TOLVO_OPEN_TMPDIR/secret"
  [ "$EUID" != 0 ] || { install -d -o 65534 "$TOLVO_OPEN_TMPDIR/given" &&
    as_other sh -c "ln -s \"\$0\" \"\$1/link\" && mkdir -p \"\$1/ro/in\" && chmod 555 \"\$1/ro\"" "$SECRET" "$TOLVO_OPEN_TMPDIR/given"; }
  printf "%s\nsleep\n%s\n" "$first" "$HOSTNAME" >"$LOCK"
  read -r stat </proc/$$/stat; fields=(${stat##*) })
  for i in {1..50}; do grep -qs "^State:.Z" /proc/$threads/status && break; sleep 0.1; done
  printf "%s\n" "${fields[2]}" "$TMPDIR" "$TOLVO_OPEN_TMPDIR" "$named" "$threads" >"$READY.new" && mv "$READY.new" "$READY"
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
# Told apart from steps.sh's reading: any thread of the process not a zombie.
running() { grep -qs '^State:.[^Z]' /proc/"$1"/task/*/status; }
empty() { [ -z "$(ls -A -- "$1" 2>/dev/null)" ]; }
no_step_folder() { empty "$work/tmp" && empty "$work/open"; }
secret_kept() { [ "$(stat -c %a "$SECRET")" = 0 ]; }
settled() { group_gone "$1" && ! running "$named" && ! running "$threads" && [ ! -e "$lock" ] && no_step_folder && secret_kept; }
read_ready() { { read -r group && read -r folder && read -r open && read -r named && read -r threads; } <"$work/ready"; }
# start [VARIABLE=VALUE...]: the script in the background, from $work, with a
# TMPDIR of the test's own; $pid is its PID.
start() {
  mkdir -p "$work/tmp"
  rm -f "$work/ready"
  (cd "$work" && exec env TMPDIR="$work/tmp" "$@" setsid bash "$work/script.sh") 2>&3 &
  pid=$!
}
# The script's end, waited for a bounded time; its status.
finish() { within 30 ended "$pid" || kill -KILL "$pid"; wait "$pid"; }

# what | how it is started | how it is stopped ($pid: the script, leader of its
# own group; $reader: the reader of its output, when that goes through a pipe) |
# status | seconds to settle after it ends
rows=(
  "TERM to the script|TMPDIR=tmp|kill -TERM \"\$pid\"|143|0"
  "INT to its process group||kill -INT -- \"-\$pid\"|130|0"
  "INT with its output's reader (tee) ended first||kill \"\$reader\"; wait \"\$reader\"; kill -INT -- \"-\$pid\"|130|0"
  "HUP to the script||kill -HUP \"\$pid\"|129|0"
  "TERM to the script, its step holding out against TERM|HOLD_OUT=1|kill -TERM \"\$pid\"|143|0"
  "SIGKILL to the script||kill -KILL \"\$pid\"|137|15"
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
  read_ready
  [ -f "$folder/file" ] && [ -f "$open/secret" ] && [ -f "$lock" ] ||
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
      "$(running "$named" && echo "the process named with a newline;")" \
      "$(running "$threads" && echo "the process whose main thread ended;")" \
      "$(no_step_folder || echo "a step folder;")" "$([ -e "$lock" ] && echo "the port lock;")" \
      "$(secret_kept || echo "the root file linked from the folder handed over re-moded")" >&2
    failed=1
    kill -KILL -- "-$group" "$named" "$threads" 2>/dev/null
  fi
  rm -rf "$work/tmp" "$lock" && chmod 000 "$SECRET"
  if [ "$failed" = 0 ]; then echo "steps-test: $what: ended with $status, nothing left"; fi
  failed=$((failed | before))
done

# report WHAT GOT WANT
report() {
  if [ "$2" = "$3" ]; then echo "steps-test: $1: $2"; else echo "steps-test: $1: $2, not $3" >&2 && failed=1; fi
}
# target NAME: a folder of the test's own, of mode 755, where a link of another
# user's leads: nothing may be made in it, re-moded or removed through that link.
target() { command mkdir -m 755 -- "$work/$1.target"; }
# target_state NAME: its mode and what is in it.
target_state() { echo "$(stat -c %a -- "$work/$1.target") with $(find "$work/$1.target" -mindepth 1 | wc -l) in it"; }

# refused WHAT TMPDIR LINE: the script stops with status 1 and one line that
# holds LINE (one that takes the TMPDIR leaves a file there and ends).
refused() {
  local out status=0
  out="$(TMPDIR="$2" MARK=1 bash "$work/script.sh" 2>&1)" || status=$?
  if [ "$status" = 1 ] && [[ "$out" == *"$3"* && "$out" != *$'\n'* ]]; then
    echo "steps-test: $1: stopped with one line"
  else
    echo "steps-test: $1: not stopped with one line ($status): $out" >&2
    failed=1
  fi
}
refused "a TMPDIR that is no folder" "$work/none" "TMPDIR names $work/none, which is no folder"
# Beside the name without the newline, another user's link to a target.
target newline && command mkdir -m 700 "$work/nl"$'\n' && ln -s "$work/newline.target" "$work/nl"
refused "a TMPDIR ending in a newline" "$work/nl"$'\n' "holds a newline"

# The folder of step folders replaced by a link to a target the instant it is
# made (a mkdir that swaps the name), the instant it is judged (an own_folder
# that does), and between a step folder's making and its removal (the target
# holding a folder of that name).
swap_base() { mv -- "$1" "$1.moved" && ln -s -- "$work/$2.target" "$1"; }
swapped_at() (
  local at="$1" swapping="$work/$1/tolvo-steps-$EUID"
  eval "judged_$(declare -f own_folder)"
  mkdir() { command mkdir "$@" && { [ "$at" != mkdir ] || [ "${*: -1}" != "$swapping" ] || swap_base "$swapping" "$at"; }; }
  own_folder() { judged_own_folder "$@" && { [ "$at" != own_folder ] || [ "$1" != "$swapping" ] || [ -e "$swapping.moved" ] || swap_base "$swapping" "$at"; }; }
  target "$at" && command mkdir "$work/$at"
  new_step_folder "$work/$at" tolvo-step.made 077 2>/dev/null
)
swapped_at mkdir
swapped_at own_folder
target removed && command mkdir "$work/removed"
new_step_folder "$work/removed" tolvo-step.removed 077 && swap_base "$work/removed/tolvo-steps-$EUID" removed &&
  command mkdir -- "$work/removed.target/${made##*/}" && remove_made "$made" "$made_base"
# what | the target's name | what is in the target after, and whether the name was swapped
targets=(
  "a link under the name of a TMPDIR without its newline|newline|755 with 0 in it"
  "a link swapped in for the folder of step folders once made|mkdir|755 with 0 in it, swapped"
  "a link swapped in for the folder of step folders once judged|own_folder|755 with 0 in it, swapped"
  "a link swapped in for the folder of step folders before a removal from it|removed|755 with 1 in it, swapped"
)
for row in "${targets[@]}"; do
  IFS='|' read -r what name want <<<"$row"
  report "the target of $what" "$(target_state "$name")$([ ! -d "$work/$name/tolvo-steps-$EUID.moved" ] || echo ", swapped")" "$want"
done

# hand_over DIR: a new folder DIR, another user's (the test's own when not root).
hand_over() { mkdir -- "$1" && { [ "$EUID" != 0 ] || chown 65534 "$1"; }; }
# start_other DIR: that user's process named with a newline, in DIR handed over,
# its PID into other_named from $! (a simple background command: that very
# process), never from DIR, where that user writes. Ready once /proc shows it
# running the copy.
start_other() {
  if [ "$EUID" = 0 ]; then to_other bash -c "$(declare -f named_process); named_process \"\$1\"" - "$1" & else named_process "$1" & fi
  other_named=$!
  within 5 test /proc/"$other_named"/exe -ef "$1/a"$'\n'"b) c"
}
# signalled: what the clean-up at the end would signal (kill shadowed), each a
# living child of the test's shell or not.
signalled() (
  local pid fields
  kill() { shift; printf '%s\n' "$@"; }
  for pid in $(end_started); do
    if stat_fields "/proc/$pid/stat" && [ "${fields[1]}" = $$ ] && living "$pid"; then echo "a child of the test's"; else echo "$pid, no child of the test's"; fi
  done | sort -u | paste -sd ' '
)
# A PID file that user plants in a folder handed over before its process starts
# there. What the PID file says | what the clean-up at the end signals
planted=(
  "-1|a child of the test's"
  "0|a child of the test's"
  "1|a child of the test's"
)
for row in "${planted[@]}"; do
  IFS='|' read -r says want <<<"$row"
  what="the PID file in the folder handed over saying $says: what the clean-up signals"
  if [ "$EUID" = 0 ] && ! as_other test -x "$work"; then echo "steps-test: $what: skipped, $work is closed to other users"; continue; fi
  hand_over "$work/planted$says"
  if [ "$EUID" = 0 ]; then as_other sh -c 'echo "$1" >"$0/pid"' "$work/planted$says" "$says"; else echo "$says" >"$work/planted$says/pid"; fi
  start_other "$work/planted$says"
  report "$what" "$(signalled)" "$want"
  end_started && other_named=""
done

# The sweep at a script's start. Beside a live step: port locks; a link in
# place of this user's folder of step folders, pointing at a tree of read-only
# modes holding a step folder that is gone; as root, another user's lock and
# another user's process named with a newline; a process whose main thread has
# ended.
bash -c 'exit 0' &
dead=$!
wait "$dead"
"$main_thread_ends" &
threads_lock=$!
hand_over "$work/other" && start_other "$work/other"
machine="$(cat /etc/machine-id 2>/dev/null)"
# write_lock NAME LINE...: a port lock of those lines.
write_lock() { local name="$1"; shift; printf '%s\n' "$@" >"$locks/LCK..$name"; }
write_lock live $$ sleep "$HOSTNAME"
write_lock zeros "$(printf %010d $$)" sleep "$HOSTNAME"
write_lock dead "$dead" sleep "$HOSTNAME" ${machine:+"$machine"}
write_lock junk x1 sleep "$HOSTNAME"
write_lock other "$dead" sleep "$HOSTNAME"
write_lock elsewhere "$dead" sleep "$HOSTNAME"
write_lock machine "$dead" sleep "$HOSTNAME" 0123456789abcdef0123456789abcdef
write_lock threads "$threads_lock" main_thread_ends "$HOSTNAME"
printf '%s\0%s\nsleep\n%s\n' $$ 0000000 "$HOSTNAME" >"$locks/LCK..nul"
chmod 644 "$locks"/LCK..* && mv "$locks/LCK..elsewhere" "$work/elsewhere" && ln -s "$work/elsewhere" "$locks/LCK..link"
if [ "$EUID" = 0 ]; then chown 65534:65534 "$locks/LCK..other"; fi
ns="$(stat -L -c %i /proc/self/ns/pid)"
gone="tree/tolvo-step.$ns-$dead.x"
install -D -m 400 /dev/null "$work/$gone/file" && chmod 500 "$work/$gone" && mkdir "$work/tmp"
ln -s "$work/tree" "$work/tmp/tolvo-steps-$EUID"
exec 3>&2
start
within 20 test -s "$work/ready" || { echo "steps-test: the sweep's step never started" >&2; kill -KILL -- "-$pid"; exit 1; }
read_ready
report "the modes of the step's TMPDIR and of the folder it hands over" "$(stat -c %a "$folder" "$open" | paste -sd ' ')" "700 711"
# others_may DIR: what another user may do in DIR: pass, list, add.
others_may() { as_other test -x "$1" && echo pass; as_other ls -- "$1" >/dev/null 2>&1 && echo list; as_other touch -- "$1/planted" 2>/dev/null && echo add; }
if [ "$EUID" != 0 ]; then
  echo "steps-test: another user in the step's folders: skipped, acting as another user needs root"
elif ! as_other test -x "$work"; then
  echo "steps-test: another user in the step's folders: skipped, $work is closed to other users"
else
  report "what another user may do in the step's TMPDIR; in the folder it hands over" "$(others_may "$folder" | paste -sd ' '); $(others_may "$open" | paste -sd ' ')" "; pass"
fi
# Beside the test's exported variables and its descriptor 3.
[ "$EUID" != 0 ] || report "what a command run as another user holds: its variables; its descriptors" \
  "$(as_other env | paste -sd ' '); $(as_other sh -c 'ls /proc/$$/fd' | paste -sd ' ')" "PATH=/usr/bin:/bin; 0 1 2"
# what is done to the step | what a sweep after it does with the step's folders
phases=(
  "its lead living|:|kept"
  "its lead killed outright, its processes living|kill -KILL \"\$group\"; finish|kept"
  "its processes ended too|kill -KILL -- \"-\$group\"; within 5 group_gone \"\$group\"|removed"
)
for phase in "${phases[@]}"; do
  IFS='|' read -r what act want <<<"$phase"
  eval "$act"
  SWEEP_ONLY=1 start
  finish
  status=$?
  got="$([ -d "$folder" ] || [ -d "$open" ] && echo kept || echo removed)"
  report "a step folder, $what" "$got, the start ended $status" "$want, the start ended 0"
done
kill -KILL -- "-$group" 2>/dev/null
# what | the entry, in the test's folder | what is there after the sweeps: its mode, a link or nothing
entries=(
  "a live lock|locks/LCK..live|644"
  "a live lock written with leading zeros|locks/LCK..zeros|644"
  "a live lock whose PID a NUL ends|locks/LCK..nul|644"
  "a lock of a process whose main thread has ended|locks/LCK..threads|644"
  "a dead lock of this user's|locks/LCK..dead|nothing"
  "a dead lock of another machine's id|locks/LCK..machine|644"
  "another user's lock|locks/LCK..other|644"
  "a junk lock|locks/LCK..junk|644"
  "a link in the lock folder|locks/LCK..link|a link"
  "what that link points at|elsewhere|644"
  "a link in place of the folder of step folders|tmp/tolvo-steps-$EUID|a link"
  "a step folder behind that link|$gone|500"
  "a file in it|$gone/file|400"
  "the root file linked from the folder handed over|secret|0"
)
for row in "${entries[@]}"; do
  IFS='|' read -r what entry want <<<"$row"
  if [[ "$what" == another* ]] && [ "$EUID" != 0 ]; then echo "steps-test: $what: skipped, giving a file to another user needs root"; continue; fi
  got=nothing
  if [ -L "$work/$entry" ]; then got="a link"; elif [ -e "$work/$entry" ]; then got="$(stat -c %a "$work/$entry")"; fi
  report "$what" "$got" "$want"
done
exit "$failed"
