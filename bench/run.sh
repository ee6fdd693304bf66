#!/bin/sh
# Builds dovrex-cli in Release (into ./build-bench) and times its conversions against
# the input/output floor of the same work: bench/bench.py, whose options pass through
# (--runs N, --slow-runs N, --rows a,b,..., --meters N, --routes N, --reread N, --keep DIR,
# --work DIR, --verbose). See the README's "Benchmarks".
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
if [ ! -f build-bench/CMakeCache.txt ]; then
  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE="${DOVREX_BENCH_BUILD_TYPE:-Release}" \
    -DDOVREX_BUILD_TESTS=OFF >/dev/null
elif [ -n "${DOVREX_BENCH_BUILD_TYPE:-}" ]; then
  cmake -S . -B build-bench -DCMAKE_BUILD_TYPE="$DOVREX_BENCH_BUILD_TYPE" >/dev/null
fi
# The report row runs the PDF program that dovrex-cli hands its report command to.
targets="dovrex-cli dovrex-io-floor"
if grep -q '^DOVREX_BUILD_DESKTOP:BOOL=ON' build-bench/CMakeCache.txt; then targets="$targets dovrex-cli-pdf"; fi
if ! cmake --build build-bench --target $targets -j "$(nproc)" >build-bench/build.log 2>&1; then
  cat build-bench/build.log >&2
  exit 1
fi
exec python3 bench/bench.py --cli build-bench/app/dovrex-cli --floor build-bench/bench/dovrex-io-floor \
  --build-type "$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' build-bench/CMakeCache.txt)" "$@"
