#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (preset fuzz) and runs each over its seed
# corpus in tests/fuzz/corpus/ and then on fresh inputs.
#   scripts/fuzz.sh             2000 inputs per target (what ./test.sh runs)
#   scripts/fuzz.sh 1000000     longer, by hand; new inputs stay in build/fuzz/found/
# A crash, a leak, a sanitizer finding or a broken promise stops it with the input saved.
set -euo pipefail
cd -P "$(dirname "$0")/.."
runs="${1:-2000}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
export QT_QPA_PLATFORM=offscreen
for seeds in tests/fuzz/corpus/*/; do
  name="$(basename "$seeds")"
  found="build/fuzz/found/$name"
  mkdir -p "$found"
  rm -f "build/fuzz/found/$name-"*
  echo "fuzz_$name: $runs inputs"
  (cd build/fuzz && ./"fuzz_$name" -runs="$runs" -max_len=1024 -timeout=10 -print_final_stats=0 \
      -artifact_prefix="found/$name-" "found/$name" "../../$seeds" 2>&1 | grep -E '^(Done|==|SUMMARY|broken)' || true)
  # libFuzzer's own exit status is lost in the pipe above: look for what it leaves.
  if compgen -G "build/fuzz/found/$name-*" >/dev/null; then
    echo "fuzz_$name failed: see build/fuzz/found/$name-*" >&2
    exit 1
  fi
done
