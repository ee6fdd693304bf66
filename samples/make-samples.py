#!/usr/bin/env python3
"""Writes the sample billing route files. Run from the samples folder; the output is
committed, so this only needs running when the samples change.

For benchmarks it writes instead only the files named: --fixed FILE and --delimited FILE
(route files of exactly N meters over R routes, for the maps FixedSample and CsvSample),
--mvrs FILE (an MVRS download of about N meters, 250 to a route), with --meters N and
--routes R."""

import argparse
import datetime
import os
import random
import re

rng = random.Random(20261209)
STREETS = ["MAIN ST", "ELM AVE", "1ST ST", "OAK DR", "22ND AVE", "RIVER RD", "HILL CT", "PARK BLVD",
           "3RD ST", "MAPLE LN", "CEDAR WAY", "LAKE SHORE DR"]
NAMES = ["SMITH & JONES INC", "JOHNSON MARY", "WILLIAMS ROBERT", "BROWN PATRICIA", "DAVIS JAMES",
         "GARCIA LINDA", "MILLER MICHAEL", "WILSON BARBARA", "MOORE DAVID", "TAYLOR SUSAN",
         "ANDERSON, THOMAS", "THOMAS \"TOM\" JACKSON", "WHITE ELIZABETH", "HARRIS CHARLES CO"]
MESSAGES = ["", "", "", "", "DOG IN YARD", "GATE CODE 4411", "METER BEHIND FENCE", ""]


def meters(routes, per_route, first_tag, total=None):
    """per_route meters on each route; with total, that many spread evenly over the routes."""
    tag = first_tag
    for r, route in enumerate(routes):
        count = per_route if total is None else total // len(routes) + (r < total % len(routes))
        for seq in range(1, count + 1):
            tag += rng.randint(1, 40)
            radio = rng.random() < 0.7
            digits = rng.choice([4, 5, 6])
            prv = rng.randint(0, 10 ** digits - 1)
            yield {
                "route": route,
                "seq": seq * 10,
                "tag": tag if radio else 0,
                "mtype": "R" if radio else "M",
                "digits": digits,
                "prv": prv,
                "hi": min(prv + rng.randint(200, 900), 10 ** digits - 1),
                "lo": prv,
                "readtype": "R" if radio else "M",
                "last": "2026%02d%02d" % (rng.randint(9, 11), rng.randint(1, 28)),
                "utility": rng.choice([1, 1, 1, 2]),
                "address": "%d %s" % (rng.randint(1, 9999), rng.choice(STREETS)),
                "name": rng.choice(NAMES),
                "account": "%010d" % rng.randint(1, 9999999999),
                "serial": "S%07d" % rng.randint(1, 9999999),
                "message": rng.choice(MESSAGES),
                "user1": "CYC%02d" % (r + 1),
            }


def fixed_width(path="routes/fixed-route.txt", routes=("000101", "000102", "000205", "000310"), per_route=75,
                total=None):
    lines = []
    for m in meters(routes, per_route, 10000000, total):
        line = (m["route"].ljust(6) + str(m["seq"]).rjust(5) + str(m["tag"]).rjust(8) + m["mtype"] +
                str(m["digits"]) + "0" + str(m["prv"]).rjust(9) + str(m["hi"]).rjust(9) + str(m["lo"]).rjust(9) +
                m["readtype"] + m["last"] + str(m["utility"]).rjust(2) + m["address"][:30].ljust(30) +
                m["name"][:30].ljust(30) + m["account"].ljust(12) + m["serial"].ljust(10) +
                m["message"][:30].ljust(30) + m["user1"].ljust(10))
        lines.append(line)
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def quoted(text):
    return '"' + text.replace('"', '""') + '"'


def delimited(path="routes/delimited-route.csv", routes=("NORTH", "SOUTH", "EAST"), per_route=80, total=None):
    lines = []
    for m in meters(routes, per_route, 12000000, total):
        lines.append(",".join([m["route"], str(m["tag"]), m["mtype"], str(m["digits"]), str(m["prv"]),
                               str(m["hi"]), str(m["lo"]), m["readtype"], m["last"], str(m["utility"]),
                               quoted(m["address"]), quoted(m["name"]), m["account"], m["serial"],
                               quoted(m["message"])]))
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


# The MVRS download's record layouts, read from the program's own declaration so that
# the sample can never disagree with it: kind -> [(field, kind letter, width)].
def mvrs_layouts():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "src", "billing", "clsMVRSDownload.cpp")) as f:
        source = f.read()
    tables = {}
    for name, body in re.findall(r"constexpr FieldDecl (k\w+)\[\] = \{(.*?)\};", source, re.S):
        tables[name] = re.findall(r'\{"(\w+)", ([TNDH]), (\d+)\}', body)
    layouts = re.search(r"const RecordLayout kLayouts\[\] = \{(.*?)\};", source, re.S).group(1)
    return {kind: [(f, t, int(w)) for f, t, w in tables[table]]
            for kind, table in re.findall(r'\{"([^"]+)", (k\w+)\}', layouts)}


MVRS = None


def mvrs_line(kind, **values):
    """One download line: every field up to the last one given, blanks where none is."""
    line = ""
    fields = MVRS[kind]
    last = max([i for i, (f, _, _) in enumerate(fields) if f in values] + [0])
    for field, letter, width in fields[:last + 1]:
        value = kind if field == "RecID" else values.get(field)
        if value is None:
            text = ""
        elif letter == "N":
            text = str(int(value)).zfill(width)
        elif letter == "D":
            text = value.strftime("%m%d%Y") if value else "0" * width
        else:
            text = str(value)
        line += text[:width].ljust(width)
    return line


MVRS_CATEGORIES = [("W", 1, "CCF"), ("G", 2, "CCF"), ("E", 3, "KWH")]


def mvrs_download(path, routes, meters_per_route, rng, cycle_date):
    lines = [mvrs_line("FHD", TablesIndicator="Y", OpticalProbeIndicator="Y", Version="02.10", NumberCycles=1,
                       OffsiteIndicator="Y", WandIndicator="Y", ExtendedIndicator="N"),
             mvrs_line("???", Code1="1", Code2="2", Code3="3", Code4="4", Code5="5", Translate1="DOG",
                       Translate2="LOCKED GATE", Translate3="METER BURIED", Translate4="NO ACCESS",
                       Translate5="CUSTOMER READ"),
             mvrs_line("CHD", CycleNumber=1, NumberRoutes=len(routes), CycleDate=cycle_date)]
    sequence = 0
    ertid = 40000000 + rng.randint(0, 9999)
    for r, route in enumerate(routes):
        lines.append(mvrs_line("RHD", RouteNumber=route, SurveyIndicator="Y", RouteMessageIndicator="Y",
                               NumberCustomerRecords=meters_per_route, NumberMeterRecords=meters_per_route,
                               TimeAlloted="013000", Region="%02d" % (r + 1), Zone="Z1", Office="NE", BillCycle=1,
                               DropCycle=1, NumberRemoteWandReads=1, MobileAMR="N"))
        lines.append(mvrs_line("RTS", RouteNumber=route, SurveyText1="IS THE METER ACCESSIBLE?",
                               SurveyText2="ANY LEAKS SEEN?"))
        lines.append(mvrs_line("RTM", RouteNumber=route, DCLinkDescription="OFFICE", DCLinkID="00001",
                               Message="CALL THE OFFICE BEFORE ENTERING GATED YARDS"))
        for m in range(meters_per_route):
            sequence += 10
            category, mtype, prompt = rng.choice(MVRS_CATEGORIES)
            method = rng.choice(["R", "R", "R", "K", "P", "W"])
            dials = rng.choice([4, 5, 6])
            previous = rng.randint(0, 10 ** dials - 1000)
            account = "%010d" % rng.randint(1, 9999999999)
            name = rng.choice(NAMES)[:20]
            extra = rng.random() < 0.2
            lines.append(mvrs_line("CUS", RouteNumber=route, NumberMeters=1, Account=account, Name=name,
                                   Address1="%d %s" % (rng.randint(1, 9999), rng.choice(STREETS)),
                                   Address2="UNIT %d" % rng.randint(1, 40) if rng.random() < 0.3 else "",
                                   GroupCode="R", CustomerInfo="RATE %02d" % rng.randint(1, 12),
                                   ExtraIndicator="Y" if extra else "N", SegmentCode="S%03d" % (r + 1),
                                   UtilityID="01", PassThru="N"))
            if extra:
                lines.append(mvrs_line("CSX", RouteNumber=route, Account=account, Name="C/O PROPERTY MGMT",
                                       Address3="SPRINGFIELD"))
            meter_number = ("%08d" % rng.randint(10000000, 99999999)) if method == "R" and rng.random() < 0.5 \
                else "%s%07d" % (category, rng.randint(1, 9999999))
            message = rng.choice(MESSAGES)
            lines.append(mvrs_line("MTR", RouteNumber=route, NumberReadings=1, GroupCode="R",
                                   SurveyCode1DisplayIndicator="Y", SurveyCode2DisplayIndicator="N", BillCode="B",
                                   MeterStatus="A", OpticalProbeID=("PRB%06d" % m) if method == "P" else "",
                                   MeterNumber=meter_number, MeterType=mtype, ReadSequence=sequence,
                                   AdditionalMeterInfo="SIDE OF HOUSE", MeterLocation="%02d" % rng.randint(1, 12),
                                   ReadInstruction1=rng.randint(0, 5), ReadInstruction2=0,
                                   SpecialMessageDisplayIndicator=1 if message else 0,
                                   SpecialMessageIndicator="Y" if message else "N", MeterCategory=category,
                                   LocationExtraMeter="N", TimeCode=0, MeterAudit1="00", MeterAudit2="00",
                                   MeterAudit3="0", MeterAudit4="0"))
            if message:
                lines.append(mvrs_line("MTS", RouteNumber=route, MeterNumber=meter_number, SpecialMessageText=message))
            lines.append(mvrs_line("RDG", RouteNumber=route, TextPrompt=prompt, PromptCode="1", ReadDirection="F",
                                   CompareCode=1, ValidationCode=1, ChannelNumber=1, NumberDials=dials,
                                   NumberDecimals=1 if category == "E" and rng.random() < 0.3 else 0,
                                   ReadMethod=method, PreviousReading=previous, High1=previous + rng.randint(500, 999),
                                   Low1=previous, MeterConstant=1, ConstantFlag=0, HHFPosition=0, PositiveDialCreep=0,
                                   NumberConsecutiveEstimates=0, ReadType=1, MaximumPercent=150, MinimumPercent=50,
                                   NegativeDialCreep=0))
            if method == "P":
                lines.append(mvrs_line("PRB", RouteNumber=route, OpticalProbeRecorderID="PRB%06d" % m,
                                       DeviceID="DEV%08d" % m, MeterConfigID="CFG1", TIMName="TIM1",
                                       DevicePassword="SECRET", IDMismatchIndicator="N", DaisyChainIndicator="N",
                                       DaylightSavingsTimeIndicator="Y", CommunicationAddress="01",
                                       TimeZoneAdjustment=0, ReadLoadProfileIndicator="N", VisualReadIndicator="N",
                                       TOURegisterReadsIndicator="N", ResetDemandIndicator="N",
                                       DaylightSavingTimeUpdateIndicator="N", StatusCheckIndicator="Y",
                                       EncoderIndicator="N", EncoderType16="00"))
            elif method == "R":
                ertid += rng.randint(1, 50)
                lines.append(mvrs_line("RFF", RouteNumber=route, RFERTID=ertid, Reserved3=0, GeographicArea=12,
                                       RFFrequency="912.600", RFTone="A1", Tamper=0, ConcentratorERTIndicator="N",
                                       **{"50ESSFlag": "N"}))
            elif method == "W":
                lines.append(mvrs_line("WRR", RouteNumber=route, DeviceID="WAND%06d" % m, WandProgram="WP01",
                                       Reserved2=0, NodeNumber=1, NoTamperCheckIndicator="N"))
        lines.append(mvrs_line("RTR", RouteNumber=route, NumberCustomerRecords=meters_per_route,
                               NumberMeterRecords=meters_per_route, Region="%02d" % (r + 1), Zone="Z1", Office="NE"))
    # An extended route header and trailer; the conversions take their routes from "RHD".
    lines.append(mvrs_line("ERH", RouteNumber=routes[-1], NumberCustomerRecords=0, NumberMeterRecords=0))
    lines.append(mvrs_line("ERT", RouteNumber=routes[-1], NumberCustomerRecords=0, NumberMeterRecords=0))
    lines.append(mvrs_line("CTR", CycleNumber=1, NumberRoutes=len(routes), CycleDate=cycle_date))
    lines.append(mvrs_line("FTR", TablesIndicator="Y", OpticalProbeIndicator="Y", Version="02.10", NumberCycles=1,
                           OffsiteIndicator="Y", WandIndicator="Y", ExtendedIndicator="N"))
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


parser = argparse.ArgumentParser()
parser.add_argument("--fixed", help="write only a fixed-width route file of many routes to this file")
parser.add_argument("--delimited", help="write only a delimited route file of many routes to this file")
parser.add_argument("--mvrs", help="write only an MVRS download of many routes to this file")
parser.add_argument("--meters", type=int, default=30000, help="meters of those files")
parser.add_argument("--routes", type=int, default=60, help="routes of the fixed-width and delimited files")
args = parser.parse_args()
MVRS = mvrs_layouts()
if args.fixed or args.delimited or args.mvrs:
    if args.routes < 1 or args.meters < args.routes:
        parser.error("needs at least one meter per route")
    if args.fixed:
        rng.seed(args.meters)
        fixed_width(args.fixed, ["%06d" % (101 + r) for r in range(args.routes)], 0, args.meters)
    if args.delimited:
        rng.seed(args.meters + 1)
        delimited(args.delimited, ["ROUTE %03d" % (r + 1) for r in range(args.routes)], 0, args.meters)
    if args.mvrs:
        per_route = 250
        routes = ["%08d" % (100 + r) for r in range((args.meters + per_route - 1) // per_route)]
        mvrs_download(args.mvrs, routes, per_route, random.Random(args.meters), datetime.date(2026, 12, 1))
else:
    fixed_width()
    delimited()
    mvrs_download("routes/mvrs-download.dat", ["00000101", "00000102", "00000205"], 8, random.Random(20261210),
                  datetime.date(2026, 12, 1))
