#!/usr/bin/env python3
"""Writes the sample E5000 download (samples/routes/e5000-download.dat): several routes of
accounts with one and two meters and every record kind of the download. The output is
committed, so this only needs running when the sample changes.

With --download FILE --meters N it writes an E5000 download of about N meters to FILE
instead (for benchmarks)."""

import argparse
import os
import random
import re

STREETS = ["MAIN ST", "ELM AVE", "1ST ST", "OAK DR", "22ND AVE", "RIVER RD", "HILL CT", "PARK BLVD",
           "3RD ST", "MAPLE LN", "CEDAR WAY", "LAKE SHORE DR"]
NAMES = ["SMITH & JONES INC", "JOHNSON MARY", "WILLIAMS ROBERT", "BROWN PATRICIA", "DAVIS JAMES",
         "GARCIA LINDA", "MILLER MICHAEL", "WILSON BARBARA", "MOORE DAVID", "TAYLOR SUSAN"]
INSTRUCTIONS = ["BEWARE OF DOG", "KEY AT OFFICE", "RING BELL FIRST", "GATE CODE 4411"]
PLACES = ["FRONT YARD", "BACK YARD", "SIDE PATH", "GARAGE", "UNDER STAIRS", "NEAR GATE"]


def layouts():
    """The download's record layouts, read from the program's own declaration so that the
    sample can never disagree with it: kind -> [(field, kind letter, width)]."""
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "src", "billing", "clsE5KDownload.cpp")) as f:
        source = f.read()
    tables = {name: re.findall(r'\{"(\w+)", ([TN]), (\d+)\}', body)
              for name, body in re.findall(r"constexpr FieldDecl (k\w+)\[\] = \{(.*?)\};", source, re.S)}
    kinds = re.search(r"const RecordLayout kLayouts\[\] = \{(.*?)\};", source, re.S).group(1)
    return {kind: [(f, t, int(w)) for f, t, w in tables[table]]
            for kind, table in re.findall(r'\{"([^"]+)", (k\w+)\}', kinds)}


LAYOUTS = layouts()


def line(kind, **values):
    """One download line of 80 columns: blanks where a field has no value."""
    text = ""
    for field, letter, width in LAYOUTS[kind]:
        value = kind if field == "RecID" else values.get(field)
        if value is None:
            column = ""
        elif letter == "N":
            column = str(int(value)).zfill(width)
        else:
            column = str(value)
        text += column[:width].ljust(width)
    return text


def download(path, routes, accounts_per_route, rng):
    lines = []
    serial = 1000000 + rng.randint(0, 99999)
    for route in routes:
        lines.append(line("F", Route=route))
        meters = 0
        for a in range(accounts_per_route):
            account = "%010d" % rng.randint(1, 9999999999)
            lines.append(line("A", Route=route, AccountNumber=account, MeterSequenceNumber=(a + 1) * 10,
                              Filler2=0, AccountType=rng.choice("RRRC"),
                              SpecialInstruction=rng.choice(["", "", "", "KY", "DG"])))
            lines.append(line("B", CustomerName=rng.choice(NAMES),
                              Address="%d %s" % (rng.randint(1, 9999), rng.choice(STREETS))))
            if rng.random() < 0.3:
                lines.append(line("E", CustomerAddressLotandPlan="LOT %d DP%06d" % (rng.randint(1, 99),
                                                                                   rng.randint(1, 999999))))
            lines.append(line("C", RecordCategory="02", PropertyVGKey="%012d" % rng.randint(1, 999999999999)))
            if rng.random() < 0.25:
                lines.append(line("D", SpecialInstructions=rng.choice(INSTRUCTIONS)))
            for m in range(1 if rng.random() < 0.7 else 2):
                serial += rng.randint(1, 40)
                # Most serial numbers are digits (radio meters); some carry a maker's letters.
                number = "%08d" % serial if rng.random() < 0.75 else "WM%06d" % (serial % 1000000)
                dials = rng.choice([4, 5, 6])
                prior = rng.randint(0, 10 ** dials - 1000)
                lines.append(line("H" if m == 0 else "I", RelativeMeterNumber="%02d" % (m + 1),
                                  MeterSerialNumber=number, NumberofDials=dials, MinimumRead=prior,
                                  MaximumRead=prior + rng.randint(200, 900), PriorRead=prior,
                                  MeterType=rng.choice("WWWGE"), MeterSize=rng.choice([20, 25, 32, 40, 50, 100]),
                                  MeterMake=rng.choice(["KE", "SE", "EL"]), DisplayCode="01", NoDecimals=0,
                                  MustReadFlag=rng.choice([0, 0, 1]), MeterStatus="A",
                                  MeterLocation="%02d" % rng.randint(1, 12), MeterReference="R%07d" % serial))
                if rng.random() < 0.5:
                    lines.append(line("K01", PropertyLocationDesc1=rng.choice(PLACES),
                                      MeterLocationDesc1=rng.choice(PLACES)))
                if rng.random() < 0.2:
                    lines.append(line("K05", PropertyLocationDesc2=rng.choice(PLACES),
                                      MeterLocationDesc2=rng.choice(PLACES)))
                if rng.random() < 0.2:
                    lines.append(line("L", Location="LEFT OF DRIVEWAY"))
                meters += 1
        lines.append(line("Z", Route=route, NumberofAccounts=accounts_per_route, NumberofMeters=meters))
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


parser = argparse.ArgumentParser()
parser.add_argument("--download", help="write only an E5000 download of many routes to this file")
parser.add_argument("--meters", type=int, default=30000, help="about this many meters in that download")
args = parser.parse_args()
if args.download:
    # About 1.3 meters per account, 200 accounts per route.
    routes = ["%08d" % (500 + r) for r in range(max(1, round(args.meters / 1.3 / 200)))]
    download(args.download, routes, 200, random.Random(args.meters))
else:
    here = os.path.dirname(os.path.abspath(__file__))
    download(os.path.join(here, "routes", "e5000-download.dat"), ["00000301", "00000302", "00000405"], 6,
             random.Random(20261211))
