#!/usr/bin/env bash
# End-to-end figures for a batch run: scour cleaning a few thousand models in
# place, beside copying the same files with cp -r; once on the disk, each side
# synced to it, and once on a memory file system (/dev/shm), where only the
# work itself counts.
#
# Usage: bench/batch-run.sh [SCOUR] [COPIES] [ROUNDS]
#   SCOUR   the scour program (default: build/release/scour, else build/native-release/scour)
#   COPIES  how many times the corpus is copied into the work folder (default 3)
#   ROUNDS  timed rounds of each side (default 3)
# The work folders lie under $TMPDIR (default /tmp) and /dev/shm and are removed
# at the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
scour=${1:-$root/build/release/scour}
[ -x "$scour" ] || scour=$root/build/native-release/scour
copies=${2:-3}
rounds=${3:-3}
corpus=${CORPUS:-$root/../shared/corpus}

[ -x "$scour" ] || { echo "batch-run: no scour at $scour (build the native-release preset)" >&2; exit 2; }
scour=$(realpath "$scour")
[ -d "$corpus" ] || { echo "batch-run: no corpus at $corpus" >&2; exit 2; }

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }

# measure WHERE SYNC: rounds of cp -r against scour in a fresh folder under WHERE,
# each followed by sync when SYNC is 1.
measure() {
  local where=$1 flush=$2 work
  work=$(mktemp -d "$where/scour-bench.XXXXXX")
  mkdir "$work/source"
  for i in $(seq 1 "$copies"); do
    cp -r "$corpus" "$work/source/copy$i"
  done
  chmod -R u+w "$work/source"
  local files bytes
  files=$(find "$work/source" -iname '*.3do' | wc -l)
  bytes=$(du -sb "$work/source" | cut -f1)
  sync
  echo "batch-run in $where: $files model files, $bytes bytes, $rounds rounds; scour: $scour"
  local copy_times=() scour_times=() round start status
  for round in $(seq 1 "$rounds"); do
    rm -rf "$work/copy" "$work/target" "$work/log.txt"
    start=$(now)
    cp -r "$work/source" "$work/copy"
    [ "$flush" = 1 ] && sync
    copy_times+=("$(elapsed "$start" "$(now)")")

    cp -r "$work/source" "$work/target"
    sync
    start=$(now)
    # Exit 1 is expected: the corpus holds files that cannot be read.
    status=0
    (cd "$work" && "$scour" --quiet --recursive target >/dev/null 2>&1) || status=$?
    [ "$status" -le 1 ] || { echo "batch-run: scour failed with exit $status" >&2; rm -rf "$work"; exit 1; }
    [ "$flush" = 1 ] && sync
    scour_times+=("$(elapsed "$start" "$(now)")")
    echo "round $round: cp -r ${copy_times[-1]} s, scour ${scour_times[-1]} s"
  done
  local copy_median scour_median
  copy_median=$(median "${copy_times[@]}")
  scour_median=$(median "${scour_times[@]}")
  echo "median in $where: cp -r $copy_median s, scour $scour_median s," \
       "ratio $(awk -v s="$scour_median" -v c="$copy_median" 'BEGIN { printf "%.2f", s / c }')"
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}

measure "${TMPDIR:-/tmp}" 1
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  measure /dev/shm 0
else
  echo "batch-run: no writable /dev/shm; the memory file system figure is skipped"
fi
