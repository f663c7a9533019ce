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

# living PID: the process is there and not a zombie.
living() {
  local stat
  read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
  stat="${stat##*) }"
  [ "${stat%% *}" != Z ]
}

# The lead's own, from here on.

# The step's living processes, into `processes`: its process group's when the
# lead leads one, else the lead's process tree (a step at the terminal). Read
# with builtins only, so that no process of the lead's own is among them and
# no fork is made per process (a machine runs hundreds).
step_processes() {
  local file stat fields
  processes=()
  read -r stat <"/proc/$$/stat"
  read -ra fields <<<"${stat##*) }"
  if [ "${fields[2]}" != $$ ]; then
    add_descendants $$
    return 0
  fi
  for file in /proc/[0-9]*/stat; do
    read -r stat 2>/dev/null <"$file" || continue
    read -ra fields <<<"${stat##*) }"
    # The state, the parent, the process group.
    if [ "${fields[2]}" = $$ ] && [ "${fields[0]}" != Z ] && [ "$file" != "/proc/$$/stat" ]; then
      file="${file#/proc/}"
      processes+=("${file%/stat}")
    fi
  done
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

# A step's folder is named after its lead's PID namespace and PID, so that a
# later run can tell one whose lead is gone.
step_folder_prefix() {
  local ns
  ns="$(stat -L -c %i /proc/self/ns/pid)"
  echo "tolvo-step.$ns-"
}

remove_step_folder() {
  chmod -R u+rwX "$1" 2>/dev/null
  rm -rf "$1"
}

# A program ended outright leaves its serial port's lock (LCK..<device> naming
# its PID, then its name and host) in the lock folder, where only the file's
# owner may remove it, so that another user finds the port taken. Such a lock
# is stale as Qt judges one: written on this host, naming a process that is gone.
remove_stale_port_locks() {
  local file pid name host
  for file in /var/lock/LCK..* /run/lock/LCK..*; do
    if [ ! -f "$file" ] || [ ! -O "$file" ]; then continue; fi
    pid="" host=""
    { read -r pid && read -r name && read -r host; } 2>/dev/null <"$file" || true
    [[ "$pid" =~ ^[0-9]+$ ]] || continue
    if [ -n "$host" ] && [ "$host" != "$HOSTNAME" ]; then continue; fi
    living "$pid" || rm -f "$file"
  done
}

# What a step whose lead was killed outright (a SIGKILL to the lead itself, the
# OOM killer) left behind: this user's step folders whose lead is gone, in the
# folders steps are given (TMPDIR; /dev/shm for work held in memory), and stale
# port locks.
sweep_dead_steps() {
  local prefix dir pid
  prefix="$(step_folder_prefix)"
  for dir in "${TMPDIR:-/tmp}/$prefix"* "/dev/shm/$prefix"*; do
    if [ ! -d "$dir" ] || [ ! -O "$dir" ]; then continue; fi
    pid="${dir##*/"$prefix"}"
    pid="${pid%%.*}"
    living "$pid" || remove_step_folder "$dir"
  done
  remove_stale_port_locks
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
  if [ -n "$step_tmp" ]; then remove_step_folder "$step_tmp"; fi
}

lead() {
  step_tmp=""
  trap 'end_step; exit 143' TERM
  # The step's temporary files (a compiler's, a test's folders) go to a folder of
  # its own, removed with it: a program ended mid-way never removes its own.
  # Open to all as /tmp is: a test hands folders in it to another user.
  if ! step_tmp="$(mktemp -d "${TMPDIR:-/tmp}/$(step_folder_prefix)$$.XXXXXX")"; then
    echo "No temporary folder for the step in ${TMPDIR:-/tmp}: $*" >&2
    exit 1
  fi
  chmod 1777 "$step_tmp"
  # A background job of a script ignores SIGINT and SIGQUIT; the step gets them back.
  TMPDIR="$step_tmp" env --default-signal=INT,QUIT "$@" &
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
