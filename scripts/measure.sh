#!/usr/bin/env bash
# The station's response with a year of data (docs/response.md): installs
# what is missing, builds the release programs, makes a year-of-data program
# folder in a temporary folder, then measures start-up to
# the login screen (three launches), the fee's latency through the display port
# for typed and read tickets, the syncs each kind of item costs, and then, for a
# disk whose every sync takes 0, 1 and 5 ms longer (a preloaded shim,
# bench/preload): typed exits while the receiving ports are fed at full rate, a
# busy car park's peak at its own pace, 5 and 20 times it, and the peak with one
# card held in a gate reader's field, read again and again at the line's rate.
#   scripts/measure.sh [tickets, default 500] [seconds of serial load, default 60]
#                      [seconds of each peak, default 60] [seconds of the held card, default 120]
# SYNC_DELAYS="0 1 5" (milliseconds added to each sync) chooses the disks.
# HALF_CORE_DELAYS (default: the same) chooses the disks of the serial load run
# again with the station given half a core: its main thread pinned to one CPU
# (HALF_CORE_CPU, default the last this script may use) beside a busy process of
# the same priority, the devices' threads on the other CPUs. Empty: none.
# Then the serial load on a full core and on half a core once more with the
# program folder in memory (/dev/shm), where no disk sets the pace: the CPU the
# work itself needs (MEMORY_RUN=0 leaves these out).
# Every fed run prints the station's CPU, the typed exits' and the exit reader's
# latency and each lane's share of its line; the table at the end gathers them.
# Every phase runs, whatever the one before it did; a backlog not worked off
# within the cap, a lane below 90 % or a missed typed exit is a measured result.
# The script ends with status 1 when a phase could not measure at all.
# It runs its build and its measuring as steps (scripts/steps.sh): a TERM, INT or
# HUP ends the programs under way first, then removes the year of data, its copy
# in memory and the port locks of what it ended, and the script exits non-zero
# within seconds; after a SIGKILL the steps' leads do the same.
set -euo pipefail
# shellcheck source=scripts/steps.sh
. "$(dirname "$0")/steps.sh"
steps_begin "$0" "$@"
cd -P "$(dirname "$0")/.."
# The script runs itself as steps: --measure holds the year of data in its
# step's folder, --in-memory the copy in /dev/shm in its own.
mode=build
case "${1:-}" in --measure | --in-memory) mode="${1#--}" && shift ;; esac
if [ "$mode" = build ]; then
  # It may ask for sudo's password at the terminal.
  step_at_terminal ./scripts/deps.sh
  step cmake --preset release >/dev/null
  step cmake --build --preset release --target bench_year_data bench_station sync_delay >/dev/null
  step ./scripts/measure.sh --measure "$@"
  exit
fi
tickets="${1:-500}"
load="${2:-60}"
peak="${3:-60}"
card="${4:-120}"
delays="${SYNC_DELAYS:-0 1 5}"
half_delays="${HALF_CORE_DELAYS-$delays}"
half_cpu="${HALF_CORE_CPU:-$(python3 -c 'import os; print(max(os.sched_getaffinity(0)))')}"
work="${MEASURE_WORK:-$TMPDIR}"
busy=""
stop_busy() { if [ -n "$busy" ]; then kill "$busy" 2>/dev/null || true; wait "$busy" 2>/dev/null || true; busy=""; fi; }
trap 'stop_busy' EXIT
# What this script starts ends with it, a SIGKILL included: a busy loop left
# behind would hold a CPU for good.
ends_with_me=(setpriv --pdeathsig KILL --)

phase() {
  local name="$1" rc=0 start=("${ends_with_me[@]}")
  shift
  if declare -F "$1" >/dev/null; then start=(); fi # a function of this script starts its own
  "${start[@]}" "$@" >"$work/out" 2>&1 || rc=$?
  cat "$work/out"
  grep '^figures' "$work/out" | sed "s/^figures /$name | /" >>"$work/figures" || true
  case "$rc" in
    0) ;;
    6) echo "measure: $name: the run failed (frames left unhandled, a lane below 90 % or a missed typed exit)" ;;
    *) echo "measure: $name ended with status $rc"; echo "$name" >>"$work/failed" ;;
  esac
}

# The station on one CPU beside a busy loop of the same priority on that CPU.
half_core() {
  "${ends_with_me[@]}" taskset -c "$half_cpu" sh -c 'while :; do :; done' &
  busy=$!
  local rc=0
  "${ends_with_me[@]}" env TOLVO_STATION_CPU="$half_cpu" "$@" || rc=$?
  stop_busy
  return "$rc"
}

if [ "$mode" = in-memory ]; then
  cp -a "$work/year/." "$TMPDIR/"
  phase "load in memory, 0 ms" build/release/bench_station load "$TMPDIR" "$load"
  phase "load on half a core in memory, 0 ms" half_core build/release/bench_station load "$TMPDIR" "$load"
  exit
fi

# The sync shim, preloaded by name from the folder LD_LIBRARY_PATH names:
# LD_PRELOAD splits a path at blanks and ':', LD_LIBRARY_PATH at ':' and ';'. A
# build folder whose path holds ':' or ';' lends its copy in the step's folder;
# where that path holds one too, no phase runs under a label it would not meet.
shim_dir="$PWD/build/release"
if [[ "$shim_dir" == *[:\;]* ]]; then
  shim_dir="$TMPDIR/preload"
  if [[ "$shim_dir" == *[:\;]* ]] || ! mkdir -p "$shim_dir" || ! cp build/release/libsync_delay.so "$shim_dir/"; then
    echo "measure: the sync shim cannot be preloaded from $PWD/build/release or $shim_dir (a ':' or ';' in the path, which LD_LIBRARY_PATH splits at): nothing measured" >&2
    exit 1
  fi
fi
shim=(env LD_LIBRARY_PATH="$shim_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" LD_PRELOAD=libsync_delay.so)

: >"$work/figures"
: >"$work/failed"
"${ends_with_me[@]}" build/release/bench_year_data "$work/year"
for run in 1 2 3; do
  phase "startup $run" build/release/bench_station startup "$work/year" "$(date +%s%N)"
done
phase latency build/release/bench_station latency "$work/year" "$tickets"
phase syncs "${shim[@]}" build/release/bench_station syncs "$work/year" 50
for delay in $delays; do
  echo "measure: each sync of the database and the settings file $delay ms slower"
  slow=("${shim[@]}" TOLVO_SYNC_DELAY_US=$((delay * 1000)))
  phase "load, $delay ms" "${slow[@]}" build/release/bench_station load "$work/year" "$load"
  for scale in 1 5 20; do
    phase "peak x$scale, $delay ms" "${slow[@]}" build/release/bench_station peak "$work/year" "$scale" "$peak"
  done
  phase "card, $delay ms" "${slow[@]}" build/release/bench_station card "$work/year" 1 "$card"
done
for delay in $half_delays; do
  echo "measure: half a core (CPU $half_cpu shared with a busy process), each sync $delay ms slower"
  phase "load on half a core, $delay ms" half_core "${shim[@]}" TOLVO_SYNC_DELAY_US=$((delay * 1000)) \
    build/release/bench_station load "$work/year" "$load"
done

if [ "${MEMORY_RUN:-1}" = 1 ] && [ -d /dev/shm ]; then
  echo "measure: the program folder in memory (/dev/shm): no disk sets the pace"
  TMPDIR=/dev/shm MEASURE_WORK="$work" step ./scripts/measure.sh --in-memory "$@" || echo "memory" >>"$work/failed"
fi

echo "measure: figures of the fed runs (station CPU while fed; frames sent; last frame handled after the stop;"
echo "measure: typed p50 / p95 / p99; exit reader p50 / p95 / max; each lane's share of its line, ports 0 1 2 3 5 8 9)"
cat "$work/figures"

if [ -s "$work/failed" ]; then
  echo "measure: no figures from: $(paste -sd, "$work/failed" | sed 's/,/, /g')"
  exit 1
fi
