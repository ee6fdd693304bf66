#!/bin/sh
# Configures (once) and builds into ./build.
# DOVREX_WERROR=ON (as CI sets it) makes every compiler warning an error.
set -eu
cd "$(dirname "$0")/.."
werror=""
[ -n "${DOVREX_WERROR:-}" ] && werror="-DDOVREX_WERROR=$DOVREX_WERROR"
if [ ! -f build/CMakeCache.txt ]; then
  # shellcheck disable=SC2086 # empty when the option is not given
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $werror
elif [ -n "$werror" ]; then
  cmake -S . -B build "$werror"
fi
cmake --build build -j "$(nproc)"
