#!/usr/bin/env bash
# Fails when a source folder includes a header of a folder above it, or when two
# top folders include each other's headers: they meet through the station context.
set -euo pipefail
cd -P "$(dirname "$0")/../src"
layers=(platform core widgets database serial fee)
top=(station equipment settlement season gates host)
bad=0
allowed() { # $1 folder, $2 included folder
  [ "$1" = "$2" ] && return 0
  [ "$1" = app ] && return 0
  local i
  for i in "${layers[@]}"; do
    [ "$i" = "$2" ] && return 0
    [ "$i" = "$1" ] && return 1
  done
  return 1
}
for dir in */; do
  dir=${dir%/}
  while IFS= read -r line; do
    file=${line%%:*}
    inc=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"${line#*:}")
    if ! allowed "$dir" "$inc"; then
      echo "layer breach: $file includes from $inc/"
      bad=1
    fi
  done < <(grep -rHE '^#include "[a-z]+/' "$dir" || true)
done
[ "$bad" -eq 0 ] && echo "layers: in order" || { exit 1; }
