#!/usr/bin/env python3
"""Times dovrex-cli's conversions against the input/output floor of the same work.

Each row is one conversion on generated files in a temporary program folder with its
own settings store. The floor of a row reads every input file as often as the
conversion reads it and writes files of the sizes the conversion wrote (dovrex-io-floor).
Conversion and floor runs alternate, so that both see the same load; the medians of
their CPU time (user + system) and of their wall-clock time are printed with their
ratios and the conversion's peak memory (maximum resident set). On a shared machine the
CPU times are what to compare: the wall-clock times grow with the load.

The inputs sit at the formats' limits: about 30,000 meters over many routes, so that the
databases come close to the 32,767 records one Palm database file can hold (the readings
databases include the orphans a handheld heard), and a re-read list of 32,765 meters
(the most one database holds beside its header and route record). The sample generators
write them (samples/make-samples.py, samples/make-e5000.py) and `dovrex-cli simulate`
returns the readings.

bench/run.sh builds the programs and runs this; see the README's "Benchmarks".
"""

import argparse
import os
import random
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.join(HERE, "..", "samples")
MAPS = os.path.join(SAMPLES, "maps")
STREETS = ["MAIN ST", "ELM AVE", "1ST ST", "OAK DR", "22ND AVE", "RIVER RD", "HILL CT", "PARK BLVD",
           "3RD ST", "MAPLE LN", "CEDAR WAY", "LAKE SHORE DR"]
# A Palm database file holds at most this many records.
MAX_RECORDS = 32767


def pdb_records(path):
    """The record count of a Palm database file (its header's last field)."""
    with open(path, "rb") as f:
        header = f.read(78)
    return struct.unpack(">H", header[76:78])[0] if len(header) == 78 else 0


def copy_maps(bench, *names):
    for name in names:
        shutil.copy(os.path.join(MAPS, name), bench.home)


class Row:
    """One conversion to time. prepare() writes its inputs and settings and returns the
    dovrex-cli arguments after the global options; reads lists (file, times read) and
    outputs the files the conversion writes, for the floor."""
    name = ""
    reads = []
    outputs = []
    expect = ""  # a log line that shows the conversion did the whole work
    slow = False  # timed at most --slow-runs times
    database = None  # the database whose records the row reports

    def describe(self):
        return ""


class StartRow(Row):
    """What every row pays before it converts anything: starting dovrex-cli (loading its
    libraries) and reading the settings store."""
    name = "start"

    def prepare(self, bench):
        self.reads, self.outputs, self.expect = [], [], ""
        return ["config", "list"]

    def describe(self):
        return "dovrex-cli config list (program start)"


class RouteFlatRow(Row):
    """A flat route file (samples/make-samples.py --fixed or --delimited) to a PDB route
    database, with the sample map of its kind."""

    def __init__(self, kind, meters, routes):
        self.kind, self.meters, self.routes = kind, meters, routes
        self.name = "route" if kind == "fixed" else "csv"

    def prepare(self, bench):
        source = os.path.join(bench.work, "route-%s.txt" % self.kind)
        bench.run_checked([sys.executable, os.path.join(SAMPLES, "make-samples.py"), "--" + self.kind, source,
                           "--meters", str(self.meters), "--routes", str(self.routes)])
        route_map = "FixedSample" if self.kind == "fixed" else "CsvSample"
        copy_maps(bench, route_map + ".bcm")
        destination = os.path.join(bench.home, "Route%s.pdb" % self.kind.capitalize())
        bench.cli(["config", "set", "Route/Source=" + source, "Route/Map=" + route_map,
                   "Route/Destination=" + destination, "Route/QVFType=PDB", "PRCInstall/AutoInstall=N"])
        # The flat import reads the source twice (counting, then converting).
        self.reads = [(source, 2)]
        self.outputs = [destination]
        self.database = destination
        self.expect = "%d meters written to Route QVF File" % self.meters
        return ["route"]

    def describe(self):
        return "%s meters, %d routes, %s to PDB" % (format(self.meters, ","), self.routes,
                                                     "fixed-width" if self.kind == "fixed" else "delimited")


class RouteMvrsRow(Row):
    def __init__(self, meters):
        self.meters = (meters + 249) // 250 * 250  # the generator fills every route
        self.name = "mvrs"

    def prepare(self, bench):
        source = os.path.join(bench.work, "mvrs-download.dat")
        bench.run_checked([sys.executable, os.path.join(SAMPLES, "make-samples.py"), "--mvrs", source,
                           "--meters", str(self.meters)])
        copy_maps(bench, "MvrsSample.bcm")  # special radio processing on
        destination = os.path.join(bench.home, "RouteMvrs.pdb")
        bench.cli(["config", "set", "Route/Source=" + source, "Route/Map=MvrsSample",
                   "Route/Destination=" + destination, "Route/QVFType=PDB", "PRCInstall/AutoInstall=N"])
        # The MVRS import reads the download twice (totals, then meters).
        self.reads = [(source, 2)]
        self.outputs = [destination]
        self.database = destination
        self.expect = "%d meters written to Route QVF File" % self.meters
        return ["route"]

    def describe(self):
        return "%s meters, %d routes, MVRS download to PDB" % (format(self.meters, ","), (self.meters + 249) // 250)


class RouteE5000Row(Row):
    def __init__(self, meters):
        self.meters, self.name = meters, "e5route"

    def prepare(self, bench):
        source = os.path.join(bench.work, "e5000-download.dat")
        bench.run_checked([sys.executable, os.path.join(SAMPLES, "make-e5000.py"), "--download", source,
                           "--meters", str(self.meters)])
        copy_maps(bench, "E5000Sample.bcm")
        with open(source, "rb") as f:
            self.meters = sum(1 for line in f if line[:1] in (b"H", b"I"))
        destination = os.path.join(bench.home, "RouteE5000.pdb")
        bench.cli(["config", "set", "Route/Source=" + source, "Route/Map=E5000Sample",
                   "Route/Destination=" + destination, "Route/QVFType=PDB", "PRCInstall/AutoInstall=N"])
        # The import reads the download twice (routes and counts, then the meters).
        self.reads = [(source, 2)]
        self.outputs = [destination]
        self.database = destination
        self.expect = "%d meters written to Route QVF File" % self.meters
        return ["route"]

    def describe(self):
        return "%s meters, E5000 download to PDB" % format(self.meters, ",")


class Readings:
    """The readings database a handheld returns for a route row's database (dovrex-cli
    simulate, which also writes the transponders it heard that are on no route as orphans),
    made once for the rows that share it."""

    def __init__(self, route_row, name):
        self.route_row, self.name = route_row, name
        self.path = None
        self.meters = 0
        self.orphans = 0

    def make(self, bench):
        if self.path is None:
            args = self.route_row.prepare(bench)
            bench.cli(args)
            self.meters = self.route_row.meters
            self.path = os.path.join(bench.work, self.name)
            summary = bench.cli(["simulate", self.route_row.outputs[0], self.path, "--seed", "20261209"])[3]
            found = re.search(r"(\d+) orphans", summary)
            if not found:
                sys.exit("simulate did not report its orphans:\n" + summary)
            self.orphans = int(found.group(1))
        return self.path

    def describe(self):
        return "%s meters, %s orphans" % (format(self.meters, ","), format(self.orphans, ","))


class ReadingRow(Row):
    """A reading conversion of simulated readings to the upload file of a reading map and,
    with an orphan map, the orphan file."""

    def __init__(self, name, readings, reading_map, orphan_map=None):
        self.name, self.readings, self.reading_map, self.orphan_map = name, readings, reading_map, orphan_map

    def prepare(self, bench):
        source = self.readings.make(bench)
        copy_maps(bench, self.reading_map + ".brm", *([self.orphan_map + ".bom"] if self.orphan_map else []))
        upload = os.path.join(bench.work, "upload-%s.txt" % self.name)
        orphans = os.path.join(bench.work, "orphans-%s.txt" % self.name)
        bench.cli(["config", "set", "Reading/Source=" + source, "Reading/Map=" + self.reading_map,
                   "Reading/Destination=" + upload, "Orphan/Convert=%d" % bool(self.orphan_map),
                   "Orphan/Replace=1", "Orphan/Map=" + (self.orphan_map or ""), "Orphan/Destination=" + orphans,
                   "Reading/AutoReRead=N", "PRCInstall/AutoInstall=N"])
        # The flat export reads the readings database once, the MVRS and E5000 exports twice
        # (totals, then the upload); the orphan file reads it once more. (Reading the opening
        # header record before the export is not counted.)
        passes = 1 if self.reading_map == "FixedReading" else 2
        self.reads = [(source, passes + (1 if self.orphan_map else 0))]
        self.outputs = [upload] + ([orphans] if self.orphan_map else [])
        self.database = source
        self.expect = "Reading Conversion Finished"
        return ["reading"]

    def describe(self):
        kind = {"FixedReading": "fixed", "MvrsSample": "MVRS", "E5000Sample": "E5000"}[self.reading_map]
        return "%s to %s upload%s" % (self.readings.describe(), kind, " + orphan file" if self.orphan_map else "")


class ReReadRow(Row):
    """The re-read conversion of a list of transponder IDs (with an address each) into a
    route database: 32,765 meters fill the database beside its header and route record."""

    def __init__(self, meters):
        self.meters = meters
        self.name = "reread"

    def prepare(self, bench):
        source = os.path.join(bench.work, "transponders.txt")
        rng = random.Random(20261210)
        tag = 10000000
        with open(source, "w", newline="") as f:
            for _ in range(self.meters):
                tag += rng.randint(1, 40)
                f.write("%08d %d %s\r\n" % (tag, rng.randint(1, 9999), rng.choice(STREETS)))
        copy_maps(bench, "ReReadSample.bcm")
        destination = os.path.join(bench.home, "ReReadQVF.pdb")
        bench.cli(["config", "set", "ReRead/Source=" + source, "ReRead/Map=ReReadSample",
                   "ReRead/Destination=" + destination, "ReRead/QVFType=PDB", "PRCInstall/AutoInstall=N"])
        # Counted, then converted: the list is read twice.
        self.reads = [(source, 2)]
        self.outputs = [destination]
        self.database = destination
        self.expect = "%d meters written to ReRead QVF File" % self.meters
        return ["reread"]

    def describe(self):
        return "%s meter IDs to a re-read PDB" % format(self.meters, ",")


class ReportRow(Row):
    """The four readings reports of the flat readings in one PDF file."""
    slow = True

    def __init__(self, readings):
        self.readings, self.name = readings, "report"

    def prepare(self, bench):
        source = self.readings.make(bench)
        pdf = os.path.join(bench.work, "reports.pdf")
        # Each of the four reports reads the readings database once.
        self.reads = [(source, 4)]
        self.outputs = [pdf]
        self.database = source
        self.expect = ""
        return ["report", "all", source, "--pdf", pdf]

    def describe(self):
        return "%s, four reports to PDF" % self.readings.describe()


class Bench:
    def __init__(self, cli, floor, runs, slow_runs, keep, work):
        self.cli_path, self.floor_path, self.runs, self.slow_runs, self.keep = cli, floor, runs, slow_runs, keep
        if work:
            # A folder of a fixed name: outputs that name their inputs compare byte for byte.
            shutil.rmtree(work, ignore_errors=True)
            os.makedirs(work)
            self.work = work
        else:
            self.work = tempfile.mkdtemp(prefix="dovrex-bench-")
        self.home = os.path.join(self.work, "home")
        os.mkdir(self.home)
        self.globals = ["--home", self.home, "--registry", os.path.join(self.work, "registry.ini"),
                        "--palm-desktop", os.path.join(self.work, "PalmDesktop"), "--yes"]

    def close(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def run(self, argv):
        """Runs a program with its output in a file; returns (seconds, CPU seconds, peak KiB,
        exit code, output)."""
        out_path = os.path.join(self.work, "output.txt")
        with open(out_path, "wb") as out, open(os.devnull, "rb") as stdin:
            start = time.perf_counter()
            pid = os.posix_spawn(argv[0], argv, os.environ,
                                 file_actions=[(os.POSIX_SPAWN_DUP2, stdin.fileno(), 0),
                                               (os.POSIX_SPAWN_DUP2, out.fileno(), 1),
                                               (os.POSIX_SPAWN_DUP2, out.fileno(), 2)])
            _, status, usage = os.wait4(pid, 0)
            seconds = time.perf_counter() - start
        with open(out_path, "r", errors="replace") as f:
            output = f.read()
        cpu = usage.ru_utime + usage.ru_stime
        return seconds, cpu, usage.ru_maxrss, os.waitstatus_to_exitcode(status), output

    def run_checked(self, argv):
        seconds, cpu, peak, code, output = self.run(argv)
        if code != 0:
            sys.exit("%s failed (exit %d):\n%s" % (" ".join(argv), code, output))
        return seconds, cpu, peak, output

    def cli(self, args):
        return self.run_checked([self.cli_path] + self.globals + args)

    def measure(self, row):
        args = row.prepare(self)
        output = self.cli(args)[3]  # warm-up: file cache, and the output sizes for the floor
        if row.expect and row.expect not in output.splitlines():
            sys.exit("%s: the conversion did not log %r:\n%s" % (row.name, row.expect, output))
        if self.keep:
            for path in row.outputs:
                shutil.copy(path, os.path.join(self.keep, "%s-%s" % (row.name, os.path.basename(path))))
        floor = [self.floor_path]
        for path, times in row.reads:
            floor += ["--read", path, str(times)]
        sizes = [os.path.getsize(path) for path in row.outputs]
        for n, size in enumerate(sizes):
            floor += ["--write", os.path.join(self.work, "floor-%d.out" % n), str(size)]
        work_times, floor_times, work_cpu, floor_cpu, peak = [], [], [], [], 0
        for _ in range(min(self.runs, self.slow_runs) if row.slow else self.runs):
            # Each run writes its outputs afresh, as the first conversion does.
            for path in row.outputs:
                os.remove(path)
            seconds, cpu, run_peak, _ = self.cli(args)
            work_times.append(seconds)
            work_cpu.append(cpu)
            peak = max(peak, run_peak)
            seconds, cpu, _, code, output = self.run(floor)
            if code != 0:
                sys.exit("the floor of %s failed:\n%s" % (row.name, output))
            floor_times.append(seconds)
            floor_cpu.append(cpu)
        read_bytes = sum(os.path.getsize(path) * times for path, times in row.reads)
        return {
            "work": statistics.median(work_times), "floor": statistics.median(floor_times),
            "work_cpu": statistics.median(work_cpu), "floor_cpu": statistics.median(floor_cpu),
            "peak": peak / 1024.0, "read": read_bytes, "written": sum(sizes), "runs": len(work_times),
            "records": pdb_records(row.database) if row.database else 0,
            "work_all": work_times, "floor_all": floor_times, "work_cpu_all": work_cpu, "floor_cpu_all": floor_cpu,
        }


ROW_NAMES = ["start", "route", "csv", "mvrs", "e5route", "reading", "mvrs-up", "e5read", "reread", "report"]


def make_rows(options):
    fixed = RouteFlatRow("fixed", options.meters, options.routes)
    # The MVRS and E5000 route databases hold more word index records per meter.
    billing_meters = options.meters - options.meters * 3 // 200
    mvrs, e5000 = RouteMvrsRow(billing_meters), RouteE5000Row(billing_meters)
    # The reading rows convert readings of route databases of their own, so that their
    # settings never disturb the route rows.
    flat_readings = Readings(RouteFlatRow("fixed", options.meters, options.routes), "ReadingFlat.pdb")
    rows = {
        "start": StartRow(),
        "route": fixed,
        "csv": RouteFlatRow("delimited", options.meters, options.routes),
        "mvrs": mvrs,
        "e5route": e5000,
        "reading": ReadingRow("reading", flat_readings, "FixedReading", "OrphanSample"),
        "mvrs-up": ReadingRow("mvrs-up", Readings(RouteMvrsRow(billing_meters), "ReadingMvrs.pdb"), "MvrsSample"),
        "e5read": ReadingRow("e5read", Readings(RouteE5000Row(billing_meters), "ReadingE5000.pdb"), "E5000Sample"),
        "reread": ReReadRow(options.reread),
        "report": ReportRow(flat_readings),
    }
    return [rows[name] for name in options.rows]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="the dovrex-cli to time")
    parser.add_argument("--floor", required=True, help="the dovrex-io-floor program")
    parser.add_argument("--build-type", default="", help="the build type, for the report")
    parser.add_argument("--runs", type=int, default=5, help="timed runs of each row (default 5)")
    parser.add_argument("--slow-runs", type=int, default=3,
                        help="timed runs of the slow rows (the reports; default 3)")
    parser.add_argument("--rows", default=",".join(ROW_NAMES),
                        help="the rows to time, comma-separated (default all: %s)" % ",".join(ROW_NAMES))
    parser.add_argument("--meters", type=int, default=32000,
                        help="meters of the flat route files (default 32,000); the MVRS and E5000 downloads "
                             "hold 1.5%% fewer")
    parser.add_argument("--routes", type=int, default=60, help="routes of the flat route files")
    parser.add_argument("--reread", type=int, default=MAX_RECORDS - 2, help="meters of the re-read list")
    parser.add_argument("--keep", metavar="DIR", help="copy every output of the first run of each row into DIR")
    parser.add_argument("--work", metavar="DIR",
                        help="work in DIR (emptied first, removed at the end) instead of a new temporary folder")
    parser.add_argument("--verbose", action="store_true", help="print every run's times")
    options = parser.parse_args()
    options.rows = [name.strip() for name in options.rows.split(",") if name.strip()]
    unknown = [name for name in options.rows if name not in ROW_NAMES]
    if unknown:
        parser.error("unknown rows: %s (rows: %s)" % (", ".join(unknown), ", ".join(ROW_NAMES)))
    if options.runs < 1 or options.slow_runs < 1 or options.routes < 1 or options.meters < options.routes:
        parser.error("needs --runs and --slow-runs of at least 1 and at least one meter per route")
    if options.keep:
        os.makedirs(options.keep, exist_ok=True)

    rows = make_rows(options)
    bench = Bench(os.path.abspath(options.cli), os.path.abspath(options.floor), options.runs, options.slow_runs,
                  options.keep and os.path.abspath(options.keep), options.work and os.path.abspath(options.work))
    try:
        print("Dovrex benchmark: %s%s, median of %d runs each (%d of the reports), %d cores, load average %.2f" % (
            options.cli, " (%s)" % options.build_type if options.build_type else "", options.runs,
            min(options.runs, options.slow_runs), os.cpu_count(), os.getloadavg()[0]))
        print("%-7s %-56s   %-26s   %-26s %8s" % ("", "", "CPU time (user + system)", "wall-clock time", "peak"))
        print("%-7s %-56s %9s %9s %6s %9s %9s %6s %8s" % (
            "row", "work", "dovrex", "floor", "ratio", "dovrex", "floor", "ratio", "memory"))
        for row in rows:
            r = bench.measure(row)
            print("%-7s %-56s %7.3f s %7.3f s %5.1fx %7.3f s %7.3f s %5.1fx %4.1f MiB" % (
                row.name, row.describe(), r["work_cpu"], r["floor_cpu"], r["work_cpu"] / max(r["floor_cpu"], 1e-3),
                r["work"], r["floor"], r["work"] / r["floor"], r["peak"]))
            details = "%s bytes read, %s bytes written" % (format(r["read"], ","), format(r["written"], ","))
            if r["records"]:
                details += "; %s records in %s (at most %s)" % (
                    format(r["records"], ","), os.path.basename(row.database), format(MAX_RECORDS, ","))
            print("%-7s %s" % ("", details))
            if options.verbose:
                for label, key in (("CPU", "work_cpu_all"), ("floor CPU", "floor_cpu_all"),
                                   ("wall", "work_all"), ("floor wall", "floor_all")):
                    print("%-7s %-11s %s" % ("", label + ":", " ".join("%.3f" % t for t in r[key])))
            sys.stdout.flush()
    finally:
        bench.close()


if __name__ == "__main__":
    main()
