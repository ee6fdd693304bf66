#!/bin/sh
# Builds everything, desktop program and window tests included, into ./build-asan with
# the address and undefined-behaviour sanitizers and runs every test. Any sanitizer
# report, a leak among them, stops the program and fails its test.
# DOVREX_WERROR=ON (as CI sets it) makes every compiler warning an error.
set -eu
cd "$(dirname "$0")/.."
werror=""
[ -n "${DOVREX_WERROR:-}" ] && werror="-DDOVREX_WERROR=$DOVREX_WERROR"
if [ ! -f build-asan/CMakeCache.txt ]; then
  # shellcheck disable=SC2086 # empty when the option is not given
  # -O1 with line tables only: reports name the file and line, and the build stays quick.
  CXX=g++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
    -DDOVREX_SANITIZE=ON $werror
elif [ -n "$werror" ]; then
  cmake -S . -B build-asan "$werror"
fi
cmake --build build-asan -j "$(nproc)"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:exitcode=1:detect_stack_use_after_return=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# Only leaks inside Qt and the font libraries it loads are tolerated; never our own.
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
