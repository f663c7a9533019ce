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
#
# Another local user may plant names, links and processes wherever others may
# write: each step's folders lie in a folder of this user's own that no other
# user may write in or list, judged by the entry itself at each use; nothing is
# re-moded where another user can enter, and rm follows no link.

# Seconds the lead gives a step's processes to end on TERM (a nested script ends
# its own step first) before it kills what is left.
step_grace=10
steps_file="$(realpath "${BASH_SOURCE[0]}")"
step_lead=""
# A step's folders are named after its PID namespace and the session of its
# lead (the lead's own PID, but for a step at the terminal), so that a later
# run can tell one that no process of its step uses any more.
steps_ns="$(stat -L -c %i /proc/self/ns/pid)"
# The lock folders swept of stale port locks, and the folders open to all users
# where step folders are also made: the first for what a step hands to another
# user, /dev/shm for work held in memory. Lists with ':' between; the steps test
# gives folders of its own.
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
  # Physical, so that no link on the way is followed again later; a relative
  # one is the folder's under the one the script was started in. Kept exactly:
  # a newline at its end, which $(...) drops, would name another folder.
  if [ -n "${TMPDIR:-}" ]; then
    if [[ "$TMPDIR" != *$'\n'* ]]; then
      TMPDIR="$(realpath -- "$TMPDIR" && echo .)"
      TMPDIR="${TMPDIR%$'\n.'}"
    fi
    if [[ "$TMPDIR" == *$'\n'* ]]; then
      printf '%s: TMPDIR %q holds a newline: name a folder without one\n' "$1" "$TMPDIR" >&2
      exit 1
    fi
  fi
  local changeable
  if changeable="$(changeable_by_others "${TMPDIR:-/tmp}")"; then
    echo "$1: TMPDIR ${TMPDIR:-/tmp} lies in $changeable, which another user may change" >&2
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

# stat_fields FILE: the fields of a /proc/PID/stat after the process's name (0
# the state, 2 the process group, 3 the session) into `fields`, read with
# builtins only, so that no process of this shell's own is among those read and
# no fork is made per process (a machine runs hundreds). The file is read whole
# and cut after the last ") ": a name may hold a newline and ") " of its own.
stat_fields() {
  local stat=""
  { IFS= read -rd '' stat || [ -n "$stat" ]; } 2>/dev/null <"$1" || return 1
  [[ "$stat" == *") "* ]] || return 1
  read -ra fields <<<"${stat##*) }"
  [ ${#fields[@]} -gt 3 ]
}

# threads_living PID: a thread of the process is not a zombie. A process whose
# main thread has ended (pthread_exit) shows Z, yet lives while another runs.
threads_living() {
  local task fields
  for task in /proc/"$1"/task/*/stat; do
    stat_fields "$task" && [ "${fields[0]}" != Z ] && return 0
  done
  return 1
}

# living PID: the process is there and not a zombie.
living() {
  local fields
  stat_fields "/proc/$1/stat" && { [ "${fields[0]}" != Z ] || threads_living "$1"; }
}

# for_living_processes COMMAND...: COMMAND... PID for each living process but
# this one, its stat fields in `fields`: one reading of /proc.
for_living_processes() {
  local file pid fields
  for file in /proc/[0-9]*/stat; do
    pid="${file#/proc/}"
    pid="${pid%/stat}"
    [ "$pid" != $$ ] && stat_fields "$file" || continue
    [ "${fields[0]}" != Z ] || threads_living "$pid" || continue
    "$@" "$pid"
  done
}

# processes_where FIELD VALUE: the living processes but this one whose field
# (stat_fields) is VALUE, into `processes`.
processes_where() {
  processes=()
  for_living_processes add_where "$1" "$2"
}
add_where() { if [ "${fields[$1]}" = "$2" ]; then processes+=("$3"); fi; }

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

# close_descriptors: closes every descriptor of this shell above 2, before it
# starts something as another user, who may take what that process holds.
close_descriptors() {
  local fd
  for fd in /proc/"$BASHPID"/fd/*; do
    fd="${fd##*/}"
    [ "$fd" -le 2 ] || { exec {fd}>&-; } 2>/dev/null
  done
}

# changeable_by_others DIR: prints the first folder on DIR's physical path that
# another user could rename, replace or fill: one owned by a user other than
# root and this one, or one others may write in without the sticky bit. Fails
# when there is none.
changeable_by_others() {
  local dir path=() modes i owner mode
  dir="$(realpath -e -- "$1" 2>/dev/null)" || { echo "$1"; return 0; }
  while path=("$dir" "${path[@]}") && [ "$dir" != / ]; do
    dir="${dir%/*}"
    dir="${dir:-/}"
  done
  mapfile -t modes < <(stat --printf '%u %a\n' -- "${path[@]}")
  for i in "${!path[@]}"; do
    read -r owner mode <<<"${modes[$i]:-}" || true
    if [ -z "${mode:-}" ] || { [ "$owner" != 0 ] && [ "$owner" != "$EUID" ]; } ||
      { [ $((8#$mode & 8#022)) != 0 ] && [ $((8#$mode & 8#1000)) = 0 ]; }; then
      echo "${path[$i]}"
      return 0
    fi
  done
  return 1
}

# own_folder PATH MASK: PATH itself, not through a link, is a folder of this
# user's whose mode has none of MASK's bits (066: no other user may list or
# write in it; 077: nor enter it); its device and inode into `folder_id`.
own_folder() {
  local info owner mode
  if [ -L "$1" ] || [ ! -d "$1" ] || [ ! -O "$1" ]; then return 1; fi
  info="$(stat -c '%u %f %d:%i' -- "$1" 2>/dev/null)" || return 1
  read -r owner mode folder_id <<<"$info"
  mode=$((16#$mode))
  [ "$owner" = "$EUID" ] && [ $((mode & 8#170000)) = $((8#040000)) ] && [ $((mode & $2)) = 0 ]
}

# in_folder DIR ID COMMAND...: COMMAND in a subshell inside DIR, reached with
# cd -P, when that is the very folder judged before (its device and inode ID)
# and still this user's own closed one: DIR's name, replaced meanwhile (its
# folder removed by another run's end, a link put in its place), leads
# elsewhere, which is not it.
in_folder() {
  (cd -P -- "$1" 2>/dev/null && own_folder . 066 && [ "$folder_id" = "$2" ] && shift 2 && "$@")
}

# new_folder TEMPLATE UMASK: a new folder named after TEMPLATE, its X's random,
# made with UMASK so that it has its mode from the start; its name printed.
new_folder() {
  local name _
  for _ in 1 2 3 4 5; do
    name="$(mktemp -u -- "$1")" && (umask "$2" && mkdir -- "$name") 2>/dev/null && printf '%s\n' "$name" && return 0
  done
  return 1
}

# steps_base PARENT: this user's folder of step folders in PARENT, made 0711
# (others may pass to a folder handed to them, not list or add), into `base`,
# its device and inode into `base_id`. One that is a link, another user's or
# open to others is never used: a fresh one serves instead.
steps_base() {
  local fresh folder_id
  base="$1/tolvo-steps-$EUID"
  (umask 066 && mkdir -- "$base") 2>/dev/null
  if ! own_folder "$base" 066; then
    fresh="$(new_folder "$base.XXXXXXXXXXXX" 066)" && own_folder "$fresh" 066 || return 1
    echo "steps: $base is not this user's own closed folder (a link, another user's, or open to others): $fresh serves instead" >&2
    base="$fresh"
  fi
  base_id="$folder_id"
}

# new_step_folder PARENT NAME UMASK: a new folder NAME.<random> made with UMASK
# in this user's folder of step folders in PARENT, made from inside that folder
# as judged; its path into `made`, the base's device and inode into
# `made_base`. Once the new folder is in it no run removes the base, so its
# path holds while the step runs. A base removed by another run's end
# meanwhile is made again.
new_step_folder() {
  local base base_id name _
  for _ in 1 2 3; do
    steps_base "$1" || return 1
    if name="$(in_folder "$base" "$base_id" new_folder "$2.XXXXXXXXXXXX" "$3")"; then
      made="$base/$name" made_base="$base_id"
      return 0
    fi
  done
  return 1
}

# remove_step_folder BASE BASE_ID NAME: the folder NAME in this user's folder
# of step folders BASE, as judged before, and all in it; from inside BASE, the
# entry judged by itself: a link or another user's entry is left alone, and rm
# follows no link. Root needs no mode change; what an ordinary user's test left
# read-only is re-moded only in a folder no other user may enter, from inside
# that very folder.
remove_step_folder() {
  in_folder "$1" "$2" remove_entry "$3" || true
}
remove_entry() {
  local entry folder_id
  if [ -L "$1" ] || [ ! -d "$1" ] || [ ! -O "$1" ]; then return 0; fi
  entry="$(stat -c %d:%i -- "$1")" || return 0
  rm -rf -- "$1" 2>/dev/null && return 0
  (cd -P -- "$1" && own_folder . 077 && [ "$folder_id" = "$entry" ] && chmod -R u+rwX .) 2>/dev/null || true
  # What cannot go is told, and the script goes on.
  rm -rf -- "$1" || true
}

# remove_base BASE BASE_ID: this user's folder of step folders, once empty,
# from inside its parent when the entry there is still the one judged.
remove_base() {
  (cd -P -- "${1%/*}/" 2>/dev/null && [ "$(stat -c %d:%i -- "./${1##*/}" 2>/dev/null)" = "$2" ] && rmdir -- "./${1##*/}") 2>/dev/null || true
}

# A program ended outright leaves its serial port's lock (LCK..<device> naming
# its PID, then its name, host, machine id and boot id) in the lock folder,
# where only the file's owner may remove it, so that another user finds the
# port taken. Such a lock is stale as Qt judges one: written on this host and
# machine, naming a process that is gone; a lock that does not name one
# clearly is kept.
remove_stale_port_locks() {
  local folder file lines pid host id machine=""
  read -r machine 2>/dev/null </etc/machine-id || read -r machine 2>/dev/null </var/lib/dbus/machine-id || true
  for folder in "${lock_folders[@]}"; do
    # Where another user may rename what is ours, no name of it is trusted.
    [ -d "$folder" ] && ! changeable_by_others "$folder" >/dev/null || continue
    for file in "$folder"/LCK..*; do
      # A link is never a lock of ours, whatever it points at.
      if [ -L "$file" ] || [ ! -f "$file" ] || [ ! -O "$file" ]; then continue; fi
      # A lock is a few short lines: its first 4 KB alone, a NUL kept as \1.
      mapfile -t lines < <(head -c 4096 -- "$file" 2>/dev/null | tr '\0' '\1')
      # The PID as Qt reads it: to its line's end or a NUL, a decimal number,
      # leading zeros, a sign and blanks around it allowed.
      pid="${lines[0]:-}"
      pid="${pid%%$'\1'*}"
      host="${lines[2]:-}" id="${lines[3]:-}"
      [[ "$pid" =~ ^[[:space:]]*\+?0*([0-9]{1,18})[[:space:]]*$ ]] || continue
      pid=$((10#${BASH_REMATCH[1]}))
      if [ "$pid" = 0 ] || { [ -n "$host" ] && [ "$host" != "$HOSTNAME" ]; } || { [ -n "$id" ] && [ "$id" != "$machine" ]; }; then
        continue
      fi
      living "$pid" || rm -f -- "$file" || true
    done
  done
}

# What a step whose lead was killed outright (a SIGKILL to the lead itself, the
# OOM killer) left behind: this user's step folders that no process of their
# step uses (its processes may outlive the lead), in TMPDIR and the folders open
# to all, and stale port locks. Only this user's closed folders of step folders
# are walked, each judged first; then one reading of /proc serves them all.
sweep_dead_steps() {
  local parents=("${TMPDIR:-/tmp}") parent bases=() base_ids=() base entries=() entry kind session i folder_id
  local -a entry_bases=() entry_sessions=()
  local -A sessions=()
  # TMPDIR is often one of the open folders: each is swept once.
  for parent in "${open_folders[@]}"; do [ "$parent" = "${parents[0]}" ] || parents+=("$parent"); done
  for parent in "${parents[@]}"; do
    [ -d "$parent" ] && ! changeable_by_others "$parent" >/dev/null || continue
    for base in "$parent/tolvo-steps-$EUID" "$parent/tolvo-steps-$EUID".*; do
      own_folder "$base" 066 || continue
      bases+=("$base")
      base_ids+=("$folder_id")
      for kind in tolvo-step tolvo-open; do
        for entry in "$base/$kind.$steps_ns-"*; do
          session="${entry##*/"$kind.$steps_ns-"}"
          session="${session%%.*}"
          if [[ "$session" =~ ^[0-9]+$ ]] && own_folder "$entry" 066; then
            entries+=("${entry##*/}")
            entry_bases+=($((${#bases[@]} - 1)))
            entry_sessions+=("$session")
          fi
        done
      done
    done
  done
  if [ ${#entries[@]} -gt 0 ]; then
    for_living_processes add_session
    for i in "${!entries[@]}"; do
      [ -n "${sessions[${entry_sessions[$i]}]:-}" ] ||
        remove_step_folder "${bases[${entry_bases[$i]}]}" "${base_ids[${entry_bases[$i]}]}" "${entries[$i]}"
    done
  fi
  # An emptied one goes; one still in use stays.
  for i in "${!bases[@]}"; do remove_base "${bases[$i]}" "${base_ids[$i]}"; done
  remove_stale_port_locks
}
add_session() { sessions[${fields[3]}]=1; }

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
  if [ -n "$step_tmp" ]; then remove_made "$step_tmp" "$step_tmp_base"; fi
  if [ -n "$step_open" ]; then remove_made "$step_open" "$step_open_base"; fi
}

# remove_made PATH BASE_ID: a folder new_step_folder made, then its base once empty.
remove_made() {
  remove_step_folder "${1%/*}" "$2" "${1##*/}"
  remove_base "${1%/*}" "$2"
}

lead() {
  step_tmp="" step_open=""
  trap 'end_step; exit 143' TERM
  local fields name
  stat_fields "/proc/$$/stat"
  name="$steps_ns-${fields[3]}"
  # The step's temporary files (a compiler's, a test's folders) go to a folder of
  # its own, removed with it: a program ended mid-way never removes its own.
  # Closed to every other user.
  if ! new_step_folder "${TMPDIR:-/tmp}" "tolvo-step.$name" 077; then
    echo "No temporary folder for the step in ${TMPDIR:-/tmp}: $*" >&2
    exit 1
  fi
  step_tmp="$made" step_tmp_base="$made_base"
  # What the step hands to another user (the station's user in the tests) goes
  # to a folder of its own that others may pass through by a name they cannot
  # list, and add nothing to: a folder open to all, even where TMPDIR is not.
  if ! changeable_by_others "${open_folders[0]}" >/dev/null && new_step_folder "${open_folders[0]}" "tolvo-open.$name" 066; then
    step_open="$made" step_open_base="$made_base"
  fi
  # A background job of a script ignores SIGINT and SIGQUIT; the step gets them back.
  TMPDIR="$step_tmp" TOLVO_OPEN_TMPDIR="$step_open" env --default-signal=INT,QUIT "$@" &
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
