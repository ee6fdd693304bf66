#!/bin/sh
# Builds dovrex-cli in Release (into ./build-bench) and times its conversions against
# the input/output floor of the same work: bench/bench.py, whose options pass through
# (--runs N, --verbose, --meters N, --routes N). See the README's "Benchmarks".
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if ! command -v python3 >/dev/null 2>&1; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing: python3 (run as root to install it)" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends python3
fi
build_type=${DOVREX_BENCH_BUILD_TYPE:-Release}
[ -f build-bench/build.ninja ] || cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
  -DDOVREX_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target dovrex-cli dovrex-io-floor -j "$(nproc)" >/dev/null
exec python3 bench/bench.py --cli build-bench/app/dovrex-cli --floor build-bench/bench/dovrex-io-floor \
  --build-type "$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' build-bench/CMakeCache.txt)" "$@"
