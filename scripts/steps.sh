# shellcheck shell=bash
# Sourced by ./test.sh, .ci/run, ./run.sh and scripts/measure.sh, which run their
# work as steps: a TERM, INT or HUP sent to the script alone, or a SIGKILL, ends
# the step under way and everything it started within seconds, and the script
# exits non-zero. (scripts/private-run.sh takes `living` from here.)
#
# Each step has a lead of its own (this file run as a program): the first process
# of a new session, so that one signal to its process group reaches every process
# the step started, however deep. The lead ends the step when the script tells
# it to (TERM) or when the script dies, a SIGKILL included (the kernel sends it
# TERM: parent-death signal).

# Seconds the lead gives a step's processes to end on TERM (a nested script ends
# its own step first) before it kills what is left.
step_grace=10
steps_file="$(realpath "${BASH_SOURCE[0]}")"
step_lead=""
# The lock folders swept of stale port locks, and the folders open to all users
# where step folders are also made: the first for what a step hands to another
# user when its TMPDIR is closed to others, /dev/shm for work held in memory.
# Lists with ':' between; the steps test gives folders of its own.
IFS=: read -ra lock_folders <<<"${STEPS_LOCK_FOLDERS:-/var/lock:/run/lock}"
IFS=: read -ra open_folders <<<"${STEPS_OPEN_FOLDERS:-/tmp:/dev/shm}"

# steps_begin SCRIPT ARGS...: the first call of a script that runs steps, before
# it changes folder. A TERM, INT or HUP to the script then ends the step under
# way, then the script (143, 130, 129). One started as a background job of
# another script has SIGINT ignored, which a script cannot trap, and starts
# again with it heeded (a HUP that nohup ignores stays ignored). What an earlier
# run's lead could not remove, killed outright itself, goes now.
steps_begin() {
  if [ -n "$(trap -p INT)" ] && [ -z "${STEPS_INT_HEEDED:-}" ]; then
    exec env --default-signal=INT STEPS_INT_HEEDED=1 "$BASH" "$@"
  fi
  unset STEPS_INT_HEEDED
  trap 'stop_steps 143' TERM
  trap 'stop_steps 130' INT
  trap 'stop_steps 129' HUP
  # Each step's temporary files go there: a folder that is not there would
  # leave every step without one.
  if [ -n "${TMPDIR:-}" ] && { [ ! -d "$TMPDIR" ] || [ ! -w "$TMPDIR" ] || [ ! -x "$TMPDIR" ]; }; then
    echo "$1: TMPDIR names $TMPDIR, which is no folder this user may write in" >&2
    exit 1
  fi
  # The script changes folder next.
  if [ -n "${TMPDIR:-}" ] && [[ "$TMPDIR" != /* ]]; then TMPDIR="$PWD/$TMPDIR"; fi
  sweep_dead_steps
}

# step COMMAND...: runs COMMAND as a step and returns its status.
step() {
  setpriv --pdeathsig TERM -- setsid -- bash "$steps_file" lead "$@" &
  wait_step
}

# step_at_terminal COMMAND...: a step that stays in this script's process group,
# for one that may ask at the terminal (sudo's password); it is ended through
# its process tree.
step_at_terminal() {
  setpriv --pdeathsig TERM -- bash "$steps_file" lead "$@" &
  wait_step
}

wait_step() {
  step_lead=$!
  local status=0
  # A trapped signal ends this wait at once; its trap ends the script.
  wait "$step_lead" || status=$?
  step_lead=""
  return "$status"
}

stop_steps() {
  # A pipe whose reader ended first (tee, stopped by the same Ctrl-C) must
  # neither end the script before its step nor change its status.
  trap '' TERM INT HUP PIPE
  if [ -n "$step_lead" ]; then
    echo "Stopped: ending the step under way." >&2 2>/dev/null || true
    kill -TERM "$step_lead" 2>/dev/null || true
    wait "$step_lead" 2>/dev/null || true
  fi
  exit "$1"
}

# stat_fields FILE: the fields of a /proc/PID/stat after the process's name (0
# the state, 2 the process group, 3 the session) into `fields`, read with
# builtins only, so that no process of this shell's own is among those read and
# no fork is made per process (a machine runs hundreds).
stat_fields() {
  local stat
  read -r stat 2>/dev/null <"$1" || return 1
  read -ra fields <<<"${stat##*) }"
}

# living PID: the process is there and not a zombie.
living() {
  local fields
  stat_fields "/proc/$1/stat" && [ "${fields[0]}" != Z ]
}

# processes_where FIELD VALUE: the living processes but this one whose field
# (stat_fields) is VALUE, into `processes`.
processes_where() {
  local file fields
  processes=()
  for file in /proc/[0-9]*/stat; do
    stat_fields "$file" || continue
    if [ "${fields[$1]}" = "$2" ] && [ "${fields[0]}" != Z ] && [ "$file" != "/proc/$$/stat" ]; then
      file="${file#/proc/}"
      processes+=("${file%/stat}")
    fi
  done
}

# The leads' and the start's sweep, from here on.

# The step's living processes, into `processes`: its process group's when the
# lead leads one, else the lead's process tree (a step at the terminal).
step_processes() {
  local fields
  stat_fields "/proc/$$/stat"
  if [ "${fields[2]}" != $$ ]; then
    processes=()
    add_descendants $$
    return 0
  fi
  processes_where 2 $$
}

add_descendants() {
  local file children child
  for file in /proc/"$1"/task/*/children; do
    children=()
    # One line of PIDs with no newline at its end.
    read -rd '' -a children 2>/dev/null <"$file" || true
    for child in "${children[@]}"; do
      living "$child" && processes+=("$child")
      add_descendants "$child"
    done
  done
}

# A step's folder is named after its PID namespace and the session of its lead
# (the lead's own PID, but for a step at the terminal), so that a later run can
# tell one that no process of its step uses any more.
step_folder_prefix() {
  local ns
  ns="$(stat -L -c %i /proc/self/ns/pid)"
  echo "tolvo-step.$ns-"
}

# remove_step_folder DIR: DIR and all in it, judged by the entry itself: a link
# or another user's entry is left alone, and nothing is followed through a link.
remove_step_folder() {
  local entry
  if [ -L "$1" ] || [ ! -d "$1" ] || [ ! -O "$1" ]; then return 0; fi
  entry="$(stat -c %d:%i -- "$1")" || return 0
  # What a test left read-only is opened from inside the very folder judged:
  # its path swapped for a link meanwhile leads elsewhere, which is not it.
  (cd -P -- "$1" && [ "$(stat -c %d:%i .)" = "$entry" ] && chmod -R u+rwX .) 2>/dev/null || true
  # What cannot go is told, and the script goes on.
  rm -rf -- "$1" || true
}

# A program ended outright leaves its serial port's lock (LCK..<device> naming
# its PID, then its name and host) in the lock folder, where only the file's
# owner may remove it, so that another user finds the port taken. Such a lock
# is stale as Qt judges one: written on this host, naming a process that is
# gone; a lock that does not name one clearly is kept.
remove_stale_port_locks() {
  local folder file line host pid
  for folder in "${lock_folders[@]}"; do
    for file in "$folder"/LCK..*; do
      # A link is never a lock of ours, whatever it points at.
      if [ -L "$file" ] || [ ! -f "$file" ] || [ ! -O "$file" ]; then continue; fi
      line="" host=""
      { IFS= read -r line && read -r _ && IFS= read -r host; } 2>/dev/null <"$file" || true
      # The PID as Qt reads it: a decimal number, leading zeros, a sign and blanks around it allowed.
      [[ "$line" =~ ^[[:space:]]*\+?0*([0-9]{1,18})[[:space:]]*$ ]] || continue
      pid=$((10#${BASH_REMATCH[1]}))
      if [ "$pid" = 0 ] || { [ -n "$host" ] && [ "$host" != "$HOSTNAME" ]; }; then continue; fi
      living "$pid" || rm -f -- "$file" || true
    done
  done
}

# What a step whose lead was killed outright (a SIGKILL to the lead itself, the
# OOM killer) left behind: this user's step folders that no process of their
# step uses (its processes may outlive the lead), in TMPDIR and the folders open
# to all, and stale port locks.
sweep_dead_steps() {
  local prefix folders=("${TMPDIR:-/tmp}") folder dir session
  prefix="$(step_folder_prefix)"
  # TMPDIR is often one of the open folders: each is swept once.
  for folder in "${open_folders[@]}"; do [ "$folder" = "${folders[0]}" ] || folders+=("$folder"); done
  for folder in "${folders[@]}"; do
    for dir in "$folder/$prefix"*; do
      session="${dir##*/"$prefix"}"
      session="${session%%.*}"
      [[ "$session" =~ ^[0-9]+$ ]] || continue
      processes_where 3 "$session"
      [ ${#processes[@]} -gt 0 ] || remove_step_folder "$dir"
    done
  done
  remove_stale_port_locks
}

# open_to_all DIR: every user may reach DIR (each folder on its way lets others pass).
open_to_all() {
  local dir mode
  dir="$(realpath -- "$1")" || return 1
  while :; do
    mode="$(stat -c %a -- "$dir")" || return 1
    [ $((8#$mode & 1)) = 1 ] || return 1
    [ "$dir" != / ] || return 0
    dir="${dir%/*}"
    dir="${dir:-/}"
  done
}

# TERM to every process of the step; after a bounded wait for them (a nested
# script ends its own step first), KILL to what is left, newcomers included.
end_step() {
  trap '' TERM
  local ended=() left pid i
  step_processes
  ended=("${processes[@]}")
  kill -TERM "${ended[@]}" 2>/dev/null
  for ((i = 0; i < step_grace * 10; i++)); do
    left=0
    for pid in "${ended[@]}"; do living "$pid" && left=1 && break; done
    [ "$left" = 1 ] || break
    sleep 0.1
  done
  for ((i = 0; i < 30; i++)); do
    step_processes
    [ ${#processes[@]} -gt 0 ] || break
    kill -KILL "${processes[@]}" 2>/dev/null
    sleep 0.1
  done
  remove_stale_port_locks
  local dir
  for dir in "$step_tmp" "$step_open"; do
    if [ -n "$dir" ]; then remove_step_folder "$dir"; fi
  done
}

lead() {
  step_tmp="" step_open=""
  trap 'end_step; exit 143' TERM
  local fields name
  stat_fields "/proc/$$/stat"
  name="$(step_folder_prefix)${fields[3]}.XXXXXX"
  # The step's temporary files (a compiler's, a test's folders) go to a folder of
  # its own, removed with it: a program ended mid-way never removes its own.
  # Open to all as /tmp is: a test hands folders in it to another user.
  if ! step_tmp="$(mktemp -d "${TMPDIR:-/tmp}/$name")"; then
    echo "No temporary folder for the step in ${TMPDIR:-/tmp}: $*" >&2
    exit 1
  fi
  chmod 1777 "$step_tmp"
  # Where TMPDIR is closed to others (libpam-tmpdir's 0700), what the step hands
  # to another user goes to a folder of its own in a folder open to all.
  TOLVO_OPEN_TMPDIR="$step_tmp"
  if ! open_to_all "$step_tmp" && step_open="$(mktemp -d "${open_folders[0]}/$name" 2>/dev/null)"; then
    chmod 1777 "$step_open"
    TOLVO_OPEN_TMPDIR="$step_open"
  fi
  # A background job of a script ignores SIGINT and SIGQUIT; the step gets them back.
  TMPDIR="$step_tmp" TOLVO_OPEN_TMPDIR="$TOLVO_OPEN_TMPDIR" env --default-signal=INT,QUIT "$@" &
  local status=0
  wait $! || status=$?
  # What the step left running ends with it.
  end_step
  exit "$status"
}

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "${1:-}" = lead ]; then
  shift
  lead "$@"
fi
