# shellcheck shell=bash
# Sourced by the scripts that mount folders or start long processes for a run
# as root (scripts/test-as-user.sh, scripts/fresh-root.sh): the run happens in
# mount and PID namespaces of its own, so that nothing it mounts and nothing it
# starts outlives it, however the script ends.
#
# The kernel ends every process of a PID namespace when its first process ends,
# and mounts made in a mount namespace are seen nowhere else and go with it.
# unshare dies with this shell (parent-death signal), a SIGKILL included, and
# takes the namespace's first process with it (--kill-child).

# shellcheck source=scripts/steps.sh
. "$(dirname "${BASH_SOURCE[0]}")/steps.sh"

# private_run COMMAND...: runs COMMAND as the first process of new namespaces,
# with a /proc of its own, and returns its status. SIGTERM, SIGHUP or SIGINT end
# the run at once, every process in it included, before this shell exits.
private_run() {
  # A background job of a script ignores SIGINT and SIGQUIT; the run gets them back.
  setpriv --pdeathsig KILL -- env --default-signal=INT,QUIT \
    unshare --mount --propagation private --pid --fork --kill-child --mount-proc -- "$@" &
  local child=$!
  # shellcheck disable=SC2064 # the child's PID is fixed now
  trap "end_private_run $child 143" TERM HUP
  # shellcheck disable=SC2064
  trap "end_private_run $child 130" INT
  wait "$child"
}

# Kills unshare and the namespace's first process, and waits until that one is
# dead, which it is only once every process in there is gone (a bounded wait);
# then exits with status $2.
end_private_run() {
  local first="" i
  # None when unshare has not forked yet.
  read -r first _ <"/proc/$1/task/$1/children" 2>/dev/null || true
  kill -KILL "$1" ${first:+"$first"} 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  for ((i = 0; i < 300 && ${#first} > 0; i++)); do
    living "$first" || break
    sleep 0.1
  done
  exit "$2"
}

# private_tmp DIR [COMMAND...]: inside private_run, an empty /tmp of this run's
# own (a tmpfs, gone with it), then COMMAND (further mounts); DIR, a folder of
# the run's, stays at its path even where one of them hides it.
private_tmp() {
  local dir="$1" kept
  shift
  exec {kept}<"$dir"
  mount -t tmpfs -o mode=1777 tolvo-tmp /tmp
  "$@"
  if [ "$(stat -c %d:%i "$dir" 2>/dev/null)" != "$(stat -L -c %d:%i "/proc/self/fd/$kept")" ]; then
    mkdir -p "$dir"
    # Not canonicalized: its path is the hidden one, the descriptor is the folder.
    mount --no-canonicalize --bind "/proc/self/fd/$kept" "$dir"
  fi
  exec {kept}<&-
}
