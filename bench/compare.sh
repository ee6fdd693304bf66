#!/bin/sh
# Runs every row of the benchmark once with two builds of dovrex-cli on the same inputs,
# in the same folder and at the same frozen clock time (faketime), and compares their
# outputs byte for byte: a speed-up must not change one byte. Qt writes a PDF's fonts in
# the order of its hashes, so the hash seed is fixed too. A change to how the reports draw
# changes the PDF's bytes but must not change its pages: compare those rasterised.
#
#   bench/compare.sh OLD-DOVREX-CLI NEW-DOVREX-CLI [bench.py options, e.g. --rows route,csv]
set -eu
if [ $# -lt 2 ]; then
  echo "usage: $0 OLD-DOVREX-CLI NEW-DOVREX-CLI [bench.py options]" >&2
  exit 2
fi
old=$(realpath "$1")
new=$(realpath "$2")
shift 2
cd "$(dirname "$0")/.."
command -v faketime >/dev/null 2>&1 || { echo "Missing: faketime (apt-get install faketime)" >&2; exit 1; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for build in old new; do
  cli=$old
  [ "$build" = new ] && cli=$new
  QT_HASH_SEED=0 DONT_FAKE_MONOTONIC=1 faketime -f '2026-12-10 10:00:00' python3 bench/bench.py --cli "$cli" \
    --floor build-bench/bench/dovrex-io-floor --runs 1 --slow-runs 1 --work "$out/work" --keep "$out/$build" "$@" >/dev/null
done
status=0
for file in "$out"/old/*; do
  name=$(basename "$file")
  if cmp -s "$file" "$out/new/$name"; then
    echo "same     $name"
  else
    echo "DIFFERS  $name"
    status=1
  fi
done
exit $status
