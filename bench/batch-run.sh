#!/usr/bin/env bash
# End-to-end figure for a batch run: scour cleaning a few thousand models in
# place, beside copying the same files with cp -r and syncing them to disk.
#
# Usage: bench/batch-run.sh [SCOUR] [COPIES] [ROUNDS]
#   SCOUR   the scour program (default: build/native-release/scour)
#   COPIES  how many times the corpus is copied into the work folder (default 3)
#   ROUNDS  timed rounds of each side (default 3)
# The work folder lies under $TMPDIR (default /tmp) and is removed at the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
scour=${1:-$root/build/native-release/scour}
copies=${2:-3}
rounds=${3:-3}
corpus=${CORPUS:-$root/../shared/corpus}

[ -x "$scour" ] || { echo "batch-run: no scour at $scour (build the native-release preset)" >&2; exit 2; }
scour=$(realpath "$scour")
[ -d "$corpus" ] || { echo "batch-run: no corpus at $corpus" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/scour-bench.XXXXXX")
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT

mkdir "$work/source"
for i in $(seq 1 "$copies"); do
  cp -r "$corpus" "$work/source/copy$i"
done
chmod -R u+w "$work/source"
files=$(find "$work/source" -iname '*.3do' | wc -l)
bytes=$(du -sb "$work/source" | cut -f1)
sync

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

echo "batch-run: $files model files, $bytes bytes, $rounds rounds; scour: $scour"
copy_times=()
scour_times=()
for round in $(seq 1 "$rounds"); do
  rm -rf "$work/copy" "$work/target" "$work/log.txt"

  start=$(now)
  cp -r "$work/source" "$work/copy"
  sync
  copy_times+=("$(elapsed "$start" "$(now)")")

  cp -r "$work/source" "$work/target"
  sync
  start=$(now)
  # Exit 1 is expected: the corpus holds files that cannot be read.
  status=0
  (cd "$work" && "$scour" --quiet --recursive target >/dev/null 2>&1) || status=$?
  [ "$status" -le 1 ] || { echo "batch-run: scour failed with exit $status" >&2; exit 1; }
  sync
  scour_times+=("$(elapsed "$start" "$(now)")")
  echo "round $round: cp -r + sync ${copy_times[-1]} s, scour + sync ${scour_times[-1]} s"
done

median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }
copy_median=$(median "${copy_times[@]}")
scour_median=$(median "${scour_times[@]}")
echo "median: cp -r + sync $copy_median s, scour + sync $scour_median s," \
     "ratio $(awk -v s="$scour_median" -v c="$copy_median" 'BEGIN { printf "%.2f", s / c }')"
