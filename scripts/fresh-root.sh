#!/usr/bin/env bash
# Proves that a fresh Debian 12 machine builds the station from the committed
# sources: makes a new minimal Debian 12 root (mmdebstrap, from the Debian mirror
# in this machine's apt sources), clones HEAD into it, and there runs
# scripts/deps.sh and configures each preset. Run as root (.ci/run does); the root
# lives in a memory folder of the run's own namespaces (scripts/private-run.sh),
# its mounts and processes with it, so nothing of it outlives the run, however
# it ends.
set -euo pipefail
# The physical path: a link on the way to it may lie in the /tmp the run hides.
cd -P "$(dirname "$0")/.."
repo="$PWD"
head="$(git rev-parse HEAD)"
# shellcheck source=scripts/private-run.sh
. scripts/private-run.sh

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-root: needs root (a chroot)" >&2
  exit 1
fi

# The most the root, its package downloads and the step logs take in the run's
# memory folder, with room to spare (docs/maintenance.md): a tmpfs holds at most
# half the machine's RAM, and one that fills up fails the package step with no
# word of space.
root_needs_mb=1900

root=""
log=""
step=""
mirrors=()

# run <what> <command...>: its output to a log, shown only when it fails.
run() {
  step="$1"
  shift
  local start=$SECONDS
  if ! "$@" >"$log" 2>&1 </dev/null; then
    tail -n 40 "$log" >&2
    echo "fresh-root: FAILED on the fresh Debian 12 root: $step (after $((SECONDS - start)) s)" >&2
    exit 1
  fi
  echo "fresh-root: $step: $((SECONDS - start)) s"
}

# The Debian 12 entries of this machine's apt sources (both formats), one "deb" line each.
mirror_lines() {
  local files=() f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 0
  awk '
    function wanted(uri, suite) { return uri ~ /^https?:\/\// && suite ~ /^bookworm(-updates|-security)?$/ }
    function flush(   u, s, nu, ns, i, j) {
      if (types ~ /(^|[ \t])deb([ \t]|$)/ && enabled != "no") {
        nu = split(uris, u, /[ \t]+/); ns = split(suites, s, /[ \t]+/)
        for (i = 1; i <= nu; i++) for (j = 1; j <= ns; j++)
          if (wanted(u[i], s[j])) print "deb " u[i] " " s[j] " " comps
      }
      types = uris = suites = comps = key = ""; enabled = "yes"
    }
    FNR == 1 { flush() }
    FILENAME ~ /\.sources$/ {
      if ($0 ~ /^[ \t]*$/) { flush(); next }
      if ($0 ~ /^#/) next
      if ($0 ~ /^[ \t]/) { value = $0 } else {
        key = tolower($0); sub(/:.*/, "", key)
        value = $0; sub(/^[^:]*:/, "", value)
      }
      gsub(/^[ \t]+|[ \t]+$/, "", value)
      if (key == "types") types = types " " value
      else if (key == "uris") uris = uris " " value
      else if (key == "suites") suites = suites " " value
      else if (key == "components") comps = comps " " value
      else if (key == "enabled") enabled = tolower(value)
      sub(/^ /, "", uris); sub(/^ /, "", suites); sub(/^ /, "", comps)
      next
    }
    $1 == "deb" {
      line = $0; sub(/\[[^]]*\]/, "", line); split(line, f, /[ \t]+/)
      if (wanted(f[2], f[3])) { c = f[4]; for (i = 5; i in f; i++) c = c " " f[i]; print "deb " f[2] " " f[3] " " c }
    }
    END { flush() }
  ' "${files[@]}"
}

in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 CI=true TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/tolvo && $1"
}

make_root() {
  mmdebstrap --quiet --mode=root --variant=minbase --include=git,ca-certificates bookworm "$root" "${mirrors[@]}"
}

clone_head() {
  git clone --quiet --no-checkout "$repo" "$root/root/tolvo" &&
    git -C "$root/root/tolvo" checkout --quiet --detach "$head" &&
    [ "$(git -C "$root/root/tolvo" rev-parse HEAD)" = "$head" ]
}

enter_root() {
  cp -L /etc/resolv.conf "$root/etc/resolv.conf.new" && mv "$root/etc/resolv.conf.new" "$root/etc/resolv.conf" &&
    mount -t proc proc "$root/proc" &&
    mount --bind /dev "$root/dev" &&
    mount -t sysfs -o ro sysfs "$root/sys"
}

# Stops at once when the memory folder has less room than the root needs.
check_room() {
  local free block room
  read -r free block < <(stat -f -c '%a %S' "$1")
  room=$((free * block / 1048576))
  if [ "$room" -lt "$root_needs_mb" ]; then
    echo "fresh-root: the fresh root needs $root_needs_mb MB in its memory folder, which has $room MB (half the machine's RAM): too little RAM" >&2
    exit 1
  fi
}

# In the run's namespaces: a /tmp of its own holds the root.
inside() {
  local start=$SECONDS preset work
  private_tmp "$repo"
  check_room /tmp
  export TMPDIR=/tmp
  work="$(mktemp -d /tmp/tolvo-fresh-root.XXXXXX)"
  root="$work/root"
  log="$work/step.log"
  if ! command -v mmdebstrap >/dev/null; then
    export DEBIAN_FRONTEND=noninteractive
    run "apt-get update (for mmdebstrap)" apt-get update -qq
    run "install mmdebstrap" apt-get install -y -qq --no-install-recommends mmdebstrap
  fi
  mapfile -t mirrors < <(mirror_lines | awk '!seen[$0]++')
  if [ ${#mirrors[@]} -eq 0 ]; then
    echo "fresh-root: no Debian 12 entry in this machine's apt sources; mmdebstrap's own default mirror"
  else
    printf 'fresh-root: mirror: %s\n' "${mirrors[@]}"
  fi
  run "make a minimal Debian 12 root (mmdebstrap)" make_root
  run "clone $head into the root" clone_head
  run "mount /proc, /dev and /sys in the root" enter_root
  run "scripts/deps.sh" in_root ./scripts/deps.sh
  for preset in release test fuzz; do
    run "cmake --preset $preset" in_root "cmake --preset $preset"
  done
  echo "fresh-root: a fresh Debian 12 root configures every preset ($((SECONDS - start)) s in all)"
}

if [ "${1:-}" = --inside ]; then
  inside
  exit
fi
private_run "$repo/scripts/fresh-root.sh" --inside
