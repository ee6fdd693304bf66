#!/bin/sh
# Builds the fuzzers with clang, every library instrumented for coverage and checked by
# the address and undefined-behaviour sanitizers, and runs one harness for a while.
#
#   fuzz/run.sh HARNESS [SECONDS] [libFuzzer options...]
#   HARNESS: qvf (database files), map (map files), route (route files), mvrs (MVRS
#   downloads), e5000 (E5000 downloads), dist (distribution files) or registry (the
#   settings store file)
#
# New inputs go to build-fuzz/corpus/HARNESS (seeded from fuzz/corpus/HARNESS and the
# samples); a failing input is written to build-fuzz/crashes/HARNESS/. Keep every failing
# input in fuzz/corpus/HARNESS/ once its fault is mended: the replay tests run them all.
set -eu
cd "$(dirname "$0")/.."
if [ $# -lt 1 ]; then
  echo "usage: fuzz/run.sh qvf|map|route|mvrs|e5000|dist|registry [SECONDS] [libFuzzer options...]" >&2
  exit 2
fi
harness=${1#fuzz_}
seconds=${2:-60}
shift
[ $# -gt 0 ] && shift
case $harness in
  qvf) seeds="fuzz/corpus/qvf" ;;
  map) seeds="fuzz/corpus/map samples/maps" ;;
  route) seeds="fuzz/corpus/route samples/routes" ;;
  mvrs | e5000 | dist | registry) seeds="fuzz/corpus/$harness" ;;
  *) echo "unknown harness: $harness (qvf, map, route, mvrs, e5000, dist or registry)" >&2; exit 2 ;;
esac

# clang and its sanitizer and libFuzzer runtimes are needed for fuzzing only.
missing=""
for p in clang libclang-rt-14-dev cmake ninja-build libcli11-dev nlohmann-json3-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages:$missing (run as root to install them)" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi

[ -f build-fuzz/build.ninja ] || CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDOVREX_BUILD_FUZZERS=ON -DDOVREX_BUILD_TESTS=OFF
cmake --build build-fuzz --target "fuzz_$harness" -j "$(nproc)"

work=build-fuzz/corpus/$harness
crashes=build-fuzz/crashes/$harness
mkdir -p "$work" "$crashes"
# shellcheck disable=SC2086 # the seed folders are separate arguments
exec "build-fuzz/fuzz/fuzz_$harness" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$crashes/" "$@" "$work" $seeds
