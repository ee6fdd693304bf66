#!/bin/sh
# Builds the Release build (into ./build-rel, without the tests) and the Debian package
# build-rel/packages/dovrex_<version>_<arch>.deb from it.
# DOVREX_REVISION=N sets the third part of the version (3.0.N).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# dpkg-shlibdeps (dpkg-dev) finds the package's library dependencies.
if ! command -v dpkg-shlibdeps >/dev/null 2>&1; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing package: dpkg-dev (run as root to install it)" >&2
    exit 1
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends dpkg-dev
fi
cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DDOVREX_BUILD_TESTS=OFF \
  -DDOVREX_REVISION="${DOVREX_REVISION:-0}"
cmake --build build-rel -j "$(nproc)"
(cd build-rel && cpack -G DEB)
ls build-rel/packages/*.deb
