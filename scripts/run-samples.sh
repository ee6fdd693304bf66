#!/bin/sh
# Installs what is missing, builds, and, with a display, opens the desktop program on a
# demo folder set up for the fixed-width sample; without one, converts the shipped sample
# route files (fixed-width, delimited and an MVRS download) into route databases with the
# shipped sample maps, then dumps them.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
work=${DOVREX_SAMPLE_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/dovrex-samples.XXXXXX")}
mkdir -p "$work"
cp samples/maps/*.bcm samples/maps/*.brm "$work/"
cli() { build/app/dovrex-cli --home "$work" --registry "$work/registry.ini" --palm-desktop "$work/PalmDesktop" "$@"; }

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${DOVREX_NO_DESKTOP:-}" ] && [ -x build/app/dovrex ]; then
  cli config set "Route/Source=$(pwd)/samples/routes/fixed-route.txt" Route/Map=FixedSample \
    Route/Destination=RouteQVF.pdb Route/QVFType=PDB
  echo "== dovrex on $work (press Route File; DOVREX_NO_DESKTOP=1 runs the command-line demo instead)"
  exec build/app/dovrex --home "$work" --registry "$work/registry.ini" --palm-desktop "$work/PalmDesktop"
fi

echo "== dovrex-cli --help"
cli --help
for sample in fixed:FixedSample:samples/routes/fixed-route.txt delimited:CsvSample:samples/routes/delimited-route.csv \
              mvrs:MvrsSample:samples/routes/mvrs-download.dat; do
  name=${sample%%:*}; rest=${sample#*:}; map=${rest%%:*}; source=$(pwd)/${rest#*:}
  echo
  echo "== Route conversion of the $name sample ($source, map $map)"
  cli config set "Route/Source=$source" "Route/Map=$map" "Route/Destination=$name-RouteQVF.pdb" Route/QVFType=PDB
  cli --yes route
  echo "== The first records of $work/$name-RouteQVF.pdb"
  cli dump "$work/$name-RouteQVF.pdb" | head -n 60
done
echo
echo "Results are in $work"
