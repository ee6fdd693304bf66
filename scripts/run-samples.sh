#!/bin/sh
# Installs what is missing, builds, and converts the shipped sample route files (fixed-width,
# delimited and an MVRS download) into route databases with the shipped sample maps, in a
# fresh folder, then dumps them.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
work=${DOVREX_SAMPLE_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/dovrex-samples.XXXXXX")}
mkdir -p "$work"
cp samples/maps/*.bcm samples/maps/*.brm "$work/"
cli() { build/app/dovrex-cli --home "$work" --registry "$work/registry.ini" --palm-desktop "$work/PalmDesktop" "$@"; }

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
