#!/bin/sh
# Installs what is missing, builds, and, with a display, opens the desktop program on a
# demo folder set up for the fixed-width sample. Without one, runs the shipped samples in
# a fresh folder: the sample route files (fixed-width, delimited, an MVRS and an E5000
# download) become route databases, a handheld's readings are simulated for the
# fixed-width, MVRS and E5000 routes, and the readings become the billing upload files
# (with the orphan file and the re-read database of the exceptions); a list of
# transponder IDs becomes a re-read route.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
work=${DOVREX_SAMPLE_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/dovrex-samples.XXXXXX")}
mkdir -p "$work"
cp samples/maps/*.bcm samples/maps/*.brm samples/maps/*.bom "$work/"
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
echo "== The readings a handheld would return for the fixed sample route"
cli --yes simulate "$work/fixed-RouteQVF.pdb" "$work/ReadingQVF.pdb" --seed 1
for reading in FixedReading:upload-fixed.txt CsvReading:upload-delimited.csv; do
  map=${reading%%:*}; upload=${reading#*:}
  echo
  echo "== Reading conversion with map $map (orphans and the re-read of exceptions included)"
  cli config set Reading/Source=ReadingQVF.pdb "Reading/Map=$map" "Reading/Destination=$upload" \
    Orphan/Convert=1 Orphan/Replace=1 Orphan/Map=OrphanSample Orphan/Destination=orphans.txt \
    Reading/AutoReRead=Y ReRead/Destination=ReReadQVF.pdb ReRead/QVFType=PDB
  cli --yes reading
  echo "== The first lines of the upload file $work/$upload"
  head -n 12 "$work/$upload"
done
echo "== The orphan file $work/orphans.txt"
cat "$work/orphans.txt"

echo
echo "== The MVRS route read on a handheld, and its MVRS upload file"
cli --yes simulate "$work/mvrs-RouteQVF.pdb" "$work/MvrsReadingQVF.pdb" --seed 1
cli config set Reading/Source=MvrsReadingQVF.pdb Reading/Map=MvrsSample Reading/Destination=upload-mvrs.dat \
  Orphan/Convert=0 Reading/AutoReRead=N
cli --yes reading
echo "== The first lines of the upload file $work/upload-mvrs.dat"
head -n 12 "$work/upload-mvrs.dat"

echo
echo "== Route conversion of the E5000 download samples/routes/e5000-download.dat (map E5000Sample)"
cli config set "Route/Source=$(pwd)/samples/routes/e5000-download.dat" Route/Map=E5000Sample \
  Route/Destination=e5000-RouteQVF.pdb Route/QVFType=PDB
cli --yes route
echo "== The first records of $work/e5000-RouteQVF.pdb"
cli dump "$work/e5000-RouteQVF.pdb" | head -n 60
echo "== Simulated readings of that route, and their E5000 upload file $work/upload-e5000.txt"
cli --yes simulate "$work/e5000-RouteQVF.pdb" "$work/ReadingE5000.pdb" --seed 1
cli config set Reading/Source=ReadingE5000.pdb Reading/Map=E5000Sample Reading/Destination=upload-e5000.txt \
  Orphan/Convert=0 Reading/AutoReRead=N
cli --yes reading
head -n 16 "$work/upload-e5000.txt"

echo
echo "== Re-read route from the list of transponder IDs samples/reread/transponders.txt"
cli config set "ReRead/Source=$(pwd)/samples/reread/transponders.txt" ReRead/Map=ReReadSample \
  ReRead/Destination=ReReadList.pdb
cli --yes reread
cli dump "$work/ReReadList.pdb" | head -n 40
echo
echo "Results are in $work"
