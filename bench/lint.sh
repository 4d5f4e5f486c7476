#!/usr/bin/env bash
# scour lint over the whole corpus beside scour --check over it: the lint reads
# each model and checks it, the check cleans it in memory; both write nothing.
#
# Usage: bench/lint.sh [SCOUR] [ROUNDS]
#   SCOUR   the scour program (default: build/release/scour, else build/native-release/scour)
#   ROUNDS  timed rounds of each (default 5)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
scour=${1:-$root/build/release/scour}
[ -x "$scour" ] || scour=$root/build/native-release/scour
rounds=${2:-5}
corpus=${CORPUS:-$root/../shared/corpus}
[ -x "$scour" ] || { echo "lint: no scour at $scour (build the release preset)" >&2; exit 2; }
[ -d "$corpus" ] || { echo "lint: no corpus at $corpus" >&2; exit 2; }

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }

# time_of COMMAND...: the median wall time of the command over the rounds.
time_of() {
  local times=() start
  for _ in $(seq 1 "$rounds"); do
    start=$(now)
    "$@" >/dev/null 2>&1 || true
    times+=("$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')")
  done
  median "${times[@]}"
}

files=$(find "$corpus" -iname '*.3do' | wc -l)
"$scour" --check -r "$corpus" >/dev/null 2>&1 || true # warm the page cache
check=$(time_of "$scour" --check -r "$corpus")
lint=$(time_of "$scour" lint -r "$corpus")
echo "lint over $files models: lint $lint s, --check $check s," \
     "ratio $(awk -v l="$lint" -v c="$check" 'BEGIN { printf "%.2f", l / c }')"
