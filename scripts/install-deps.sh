#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing.
set -eu
packages="cmake ninja-build g++ libgtest-dev libcli11-dev nlohmann-json3-dev qt6-base-dev libfontconfig-dev libfreetype-dev fonts-liberation poppler-utils"
missing=""
for p in $packages; do
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
