#!/usr/bin/env python3
"""Times dovrex-cli's conversions against the input/output floor of the same work.

Each row is one conversion on generated files in a temporary program folder with its
own settings store. The floor of a row reads every input file as often as the
conversion reads it and writes files of the sizes the conversion wrote (dovrex-io-floor).
Conversion and floor runs alternate, so that both see the same load; the medians are
printed with their ratio and the conversion's peak memory (maximum resident set).

bench/run.sh builds the programs and runs this; see the README's "Benchmarks".
"""

import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

# Column layout of the fixed-width route file and of its map (position, width).
FIXED_LAYOUT = [
    ("RouteNbr", 1, 6), ("Sequence", 7, 5), ("MeterTagNbr", 12, 8), ("MeterType", 20, 1),
    ("Digits", 21, 1), ("Decimals", 22, 1), ("PrvReading", 23, 9), ("MaxReading", 32, 9),
    ("MinReading", 41, 9), ("ReadType", 50, 1), ("LstReadingDate", 51, 8), ("UtilityCode", 59, 2),
    ("ServiceAddress", 61, 30), ("BillingName", 91, 30), ("ServiceUniqueID", 121, 12),
    ("MeterSerialNbr", 133, 10), ("Message", 143, 30), ("User1", 173, 10),
]
ROUTE_FIELDS = [
    "RouteNbr", "Sequence", "MeterTagNbr", "MeterType", "Digits", "Decimals", "PrvReading", "MaxReading",
    "MinReading", "ReadType", "LstReadingDate", "UtilityCode", "Lat", "Lng", "ScaleFactor", "InitReading",
    "InitPulseCount", "InitTamperCount", "Message", "ServiceAddress", "BillingName", "ServiceUniqueID",
    "MeterSerialNbr", "User1", "User2", "User3", "User4", "User5",
]
STREETS = ["MAIN ST", "ELM AVE", "1ST ST", "OAK DR", "22ND AVE", "RIVER RD", "HILL CT", "PARK BLVD",
           "3RD ST", "MAPLE LN", "CEDAR WAY", "LAKE SHORE DR"]
NAMES = ["SMITH & JONES INC", "JOHNSON MARY", "WILLIAMS ROBERT", "BROWN PATRICIA", "DAVIS JAMES",
         "GARCIA LINDA", "MILLER MICHAEL", "WILSON BARBARA", "MOORE DAVID", "TAYLOR SUSAN"]
MESSAGES = ["", "", "", "", "DOG IN YARD", "GATE CODE 4411", "METER BEHIND FENCE", ""]


def write_map(home, name, map_type, mappings, delimiter="", quote=""):
    """A route map file; fields not in mappings are not mapped."""
    lines = ["QVF=1.1", "MAPNAME=%s.bcm" % name, "MAPTYPE=%d" % map_type, "MAPFILTER=0",
             "MAPDELIMITER=" + delimiter, "MAPQUOTE=" + quote, "MAPTERMINATOR= 0 ", "MAPLENGTH=0"]
    lines += ["%s=%s" % (field, mappings.get(field, "N")) for field in ROUTE_FIELDS]
    with open(os.path.join(home, name + ".bcm"), "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def fixed_route_file(path, meters, routes, seed):
    """A fixed-width route file: meters spread evenly over routes, 70% radio meters
    with unique tags, the rest manual (tag 0, exempt from the duplicate-tag check)."""
    rng = random.Random(seed)
    tag = 10000000
    per_route = meters // routes
    with open(path, "w", newline="") as f:
        for i in range(meters):
            route, seq = min(i // per_route, routes - 1), i % per_route + 1
            tag += rng.randint(1, 40)
            radio = rng.random() < 0.7
            digits = rng.choice([4, 5, 6])
            prv = rng.randint(0, 10 ** digits - 1)
            values = {
                "RouteNbr": "%06d" % (route + 1), "Sequence": str(seq * 10).rjust(5),
                "MeterTagNbr": str(tag if radio else 0).rjust(8), "MeterType": "R" if radio else "M",
                "Digits": str(digits), "Decimals": "0", "PrvReading": str(prv).rjust(9),
                "MaxReading": str(min(prv + rng.randint(200, 900), 10 ** digits - 1)).rjust(9),
                "MinReading": str(prv).rjust(9), "ReadType": "R" if radio else "M",
                "LstReadingDate": "2026%02d%02d" % (rng.randint(9, 11), rng.randint(1, 28)),
                "UtilityCode": str(rng.choice([1, 1, 1, 2])).rjust(2),
                "ServiceAddress": "%d %s" % (rng.randint(1, 9999), rng.choice(STREETS)),
                "BillingName": rng.choice(NAMES), "ServiceUniqueID": "%010d" % rng.randint(1, 9999999999),
                "MeterSerialNbr": "S%07d" % rng.randint(1, 9999999), "Message": rng.choice(MESSAGES),
                "User1": "CYC%02d" % (route % 100),
            }
            f.write("".join(values[name][:width].ljust(width) for name, _, width in FIXED_LAYOUT) + "\r\n")


class Row:
    """One conversion to time. prepare() writes its inputs and settings and returns the
    dovrex-cli arguments after the global options; reads lists (file, times read) and
    outputs the files the conversion writes, for the floor."""
    name = ""
    reads = []
    outputs = []
    expect = ""  # a log line that shows the conversion did the whole work

    def describe(self):
        return ""


class RouteFixedRow(Row):
    def __init__(self, meters, routes):
        self.meters, self.routes = meters, routes
        self.name = "route"

    def prepare(self, bench):
        source = os.path.join(bench.work, "route-fixed.txt")
        fixed_route_file(source, self.meters, self.routes, seed=20261209)
        mappings = {name: "%d,%d,,,%d" % (pos, width, 14 if name == "LstReadingDate" else 0)
                    for name, pos, width in FIXED_LAYOUT}
        mappings["ScaleFactor"] = "C,1"
        write_map(bench.home, "BenchFixed", 1, mappings)
        destination = os.path.join(bench.home, "RouteQVF.pdb")
        bench.cli(["config", "set", "Route/Source=" + source, "Route/Map=BenchFixed",
                   "Route/Destination=" + destination, "Route/QVFType=PDB"])
        # The flat import reads the source twice (counting, then converting).
        self.reads = [(source, 2)]
        self.outputs = [destination]
        self.expect = "%d meters written to Route QVF File" % self.meters
        return ["route"]

    def describe(self):
        return "%s meters over %d routes, fixed-width to PDB" % (format(self.meters, ","), self.routes)


SAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "samples")


def mvrs_download(path, meters):
    """An MVRS download of about that many meters, 250 to a route, with every record kind:
    the sample generator's own (samples/make-samples.py)."""
    subprocess.run([sys.executable, os.path.join(SAMPLES, "make-samples.py"), "--mvrs", path,
                    "--meters", str(meters)], check=True)


class RouteMvrsRow(Row):
    def __init__(self, meters):
        self.meters = meters
        self.name = "mvrs"

    def prepare(self, bench):
        source = os.path.join(bench.work, "mvrs-download.dat")
        mvrs_download(source, self.meters)
        shutil.copy(os.path.join(SAMPLES, "maps", "MvrsSample.bcm"), bench.home)  # special radio processing on
        destination = os.path.join(bench.home, "RouteQVF.pdb")
        bench.cli(["config", "set", "Route/Source=" + source, "Route/Map=MvrsSample",
                   "Route/Destination=" + destination, "Route/QVFType=PDB"])
        # The MVRS import reads the download twice (totals, then meters).
        self.reads = [(source, 2)]
        self.outputs = [destination]
        self.expect = "%d meters written to Route QVF File" % self.meters
        return ["route"]

    def describe(self):
        return "%s meters over %d routes, MVRS download to PDB" % (format(self.meters, ","), (self.meters + 249) // 250)


class ReadingMvrsRow(Row):
    """The MVRS upload of the readings a handheld returns for the MVRS row's route database."""

    def __init__(self, meters):
        self.meters = meters
        self.name = "mvrs-up"

    def prepare(self, bench):
        source = os.path.join(bench.work, "mvrs-reading-download.dat")
        mvrs_download(source, self.meters)
        shutil.copy(os.path.join(SAMPLES, "maps", "MvrsSample.bcm"), bench.home)
        shutil.copy(os.path.join(SAMPLES, "maps", "MvrsSample.brm"), bench.home)
        route = os.path.join(bench.work, "MvrsRouteQVF.pdb")
        readings = os.path.join(bench.work, "MvrsReadingQVF.pdb")
        upload = os.path.join(bench.work, "mvrs-upload.dat")
        bench.cli(["config", "set", "Route/Source=" + source, "Route/Map=MvrsSample", "Route/Destination=" + route,
                   "Route/QVFType=PDB", "Reading/Source=" + readings, "Reading/Map=MvrsSample",
                   "Reading/Destination=" + upload, "Orphan/Convert=0", "Reading/AutoReRead=N"])
        bench.cli(["route"])
        bench.cli(["simulate", route, readings, "--seed", "1"])
        # The export reads the readings database twice (totals, then the upload).
        self.reads = [(readings, 2)]
        self.outputs = [upload]
        self.expect = "Reading Conversion Finished"
        return ["reading"]

    def describe(self):
        return "%s meters, simulated readings to the MVRS upload" % format(self.meters, ",")


def e5000_download(bench, path, meters):
    """An E5000 download of about that many meters (samples/make-e5000.py), with the
    E5000 route and reading maps of the samples in the program folder; returns the number
    of meters it holds."""
    bench.run([sys.executable, os.path.join(SAMPLES, "make-e5000.py"), "--download", path, "--meters", str(meters)])
    for name in ("E5000Sample.bcm", "E5000Sample.brm"):
        shutil.copy(os.path.join(SAMPLES, "maps", name), bench.home)
    with open(path, "rb") as f:
        return sum(1 for line in f if line[:1] in (b"H", b"I"))


class E5000RouteRow(Row):
    def __init__(self, meters):
        self.meters, self.name = meters, "e5route"

    def prepare(self, bench):
        source = os.path.join(bench.work, "e5000-download.dat")
        self.meters = e5000_download(bench, source, self.meters)
        destination = os.path.join(bench.home, "RouteE5000.pdb")
        bench.cli(["config", "set", "Route/Source=" + source, "Route/Map=E5000Sample",
                   "Route/Destination=" + destination, "Route/QVFType=PDB"])
        # The import reads the download twice (routes and counts, then the meters).
        self.reads = [(source, 2)]
        self.outputs = [destination]
        self.expect = "%d meters written to Route QVF File" % self.meters
        return ["route"]

    def describe(self):
        return "%s meters, E5000 download to PDB" % format(self.meters, ",")


class E5000ReadingRow(Row):
    def __init__(self, meters):
        self.meters, self.name = meters, "e5read"

    def prepare(self, bench):
        source = os.path.join(bench.work, "e5000-readings-download.dat")
        self.meters = e5000_download(bench, source, self.meters)
        route = os.path.join(bench.home, "RouteForReadings.pdb")
        readings = os.path.join(bench.home, "ReadingE5000.pdb")
        upload = os.path.join(bench.work, "upload-e5000.txt")
        bench.cli(["config", "set", "Route/Source=" + source, "Route/Map=E5000Sample",
                   "Route/Destination=" + route, "Route/QVFType=PDB"])
        for path in (route, readings):
            if os.path.exists(path):
                os.remove(path)
        bench.cli(["route"])
        bench.cli(["simulate", route, readings, "--seed", "1"])
        bench.cli(["config", "set", "Reading/Source=" + readings, "Reading/Map=E5000Sample",
                   "Reading/Destination=" + upload, "Reading/AutoReRead=N", "Orphan/Convert=0"])
        # The export reads the readings database twice (route counts, then the upload).
        self.reads = [(readings, 2)]
        self.outputs = [upload]
        self.expect = "Reading Conversion Finished"
        return ["reading"]

    def describe(self):
        return "%s meters' readings to an E5000 upload" % format(self.meters, ",")


class Bench:
    def __init__(self, cli, floor, runs):
        self.cli_path, self.floor_path, self.runs = cli, floor, runs
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

    def cli(self, args):
        seconds, cpu, peak, code, output = self.run([self.cli_path] + self.globals + args)
        if code != 0:
            sys.exit("dovrex-cli %s failed (exit %d):\n%s" % (" ".join(args), code, output))
        return seconds, cpu, peak, output

    def measure(self, row):
        args = row.prepare(self)
        output = self.cli(args)[3]  # warm-up: file cache, and the output sizes for the floor
        if row.expect not in output.splitlines():
            sys.exit("%s: the conversion did not log %r:\n%s" % (row.name, row.expect, output))
        floor = [self.floor_path]
        for path, times in row.reads:
            floor += ["--read", path, str(times)]
        sizes = [os.path.getsize(path) for path in row.outputs]
        for n, size in enumerate(sizes):
            floor += ["--write", os.path.join(self.work, "floor-%d.out" % n), str(size)]
        work_times, floor_times, work_cpu, floor_cpu, peak = [], [], [], [], 0
        for _ in range(self.runs):
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
            "row": row, "work": statistics.median(work_times), "floor": statistics.median(floor_times),
            "work_cpu": statistics.median(work_cpu), "floor_cpu": statistics.median(floor_cpu),
            "peak": peak / 1024.0, "read": read_bytes, "written": sum(sizes),
            "work_all": work_times, "floor_all": floor_times,
        }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True, help="the dovrex-cli to time")
    parser.add_argument("--floor", required=True, help="the dovrex-io-floor program")
    parser.add_argument("--build-type", default="", help="the build type, for the report")
    parser.add_argument("--runs", type=int, default=7, help="timed runs of each (default 7)")
    parser.add_argument("--meters", type=int, default=30000)
    parser.add_argument("--routes", type=int, default=60)
    parser.add_argument("--verbose", action="store_true", help="print every run's time")
    options = parser.parse_args()
    if options.runs < 1 or options.routes < 1 or options.meters < options.routes:
        parser.error("needs --runs of at least 1 and at least one meter per route")

    rows = [RouteFixedRow(options.meters, options.routes), RouteMvrsRow(options.meters),
            ReadingMvrsRow(options.meters), E5000RouteRow(options.meters), E5000ReadingRow(options.meters)]
    bench = Bench(os.path.abspath(options.cli), os.path.abspath(options.floor), options.runs)
    try:
        print("Dovrex benchmark: %s%s, median of %d runs each, %d cores, load average %.2f" % (
            options.cli, " (%s)" % options.build_type if options.build_type else "", options.runs,
            os.cpu_count(), os.getloadavg()[0]))
        width = max(len(row.describe()) for row in rows)
        print("%-7s %-*s %10s %10s %7s %12s" % ("row", width, "work", "dovrex", "I/O floor", "ratio", "peak memory"))
        for row in rows:
            r = bench.measure(row)
            print("%-7s %-*s %8.3f s %8.3f s %6.1fx %8.1f MiB" % (
                row.name, width, row.describe(), r["work"], r["floor"], r["work"] / r["floor"], r["peak"]))
            print("%-7s %s bytes read, %s bytes written; CPU time (user + system) %.3f s and %.3f s" % (
                "", format(r["read"], ","), format(r["written"], ","), r["work_cpu"], r["floor_cpu"]))
            if options.verbose:
                print("%-7s dovrex:    %s" % ("", " ".join("%.3f" % t for t in r["work_all"])))
                print("%-7s I/O floor: %s" % ("", " ".join("%.3f" % t for t in r["floor_all"])))
    finally:
        bench.close()


if __name__ == "__main__":
    main()
