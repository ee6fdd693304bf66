#!/usr/bin/env python3
"""Writes the sample billing route files. Run from the samples folder; the output is
committed, so this only needs running when the samples change."""

import random

rng = random.Random(20261209)
STREETS = ["MAIN ST", "ELM AVE", "1ST ST", "OAK DR", "22ND AVE", "RIVER RD", "HILL CT", "PARK BLVD",
           "3RD ST", "MAPLE LN", "CEDAR WAY", "LAKE SHORE DR"]
NAMES = ["SMITH & JONES INC", "JOHNSON MARY", "WILLIAMS ROBERT", "BROWN PATRICIA", "DAVIS JAMES",
         "GARCIA LINDA", "MILLER MICHAEL", "WILSON BARBARA", "MOORE DAVID", "TAYLOR SUSAN",
         "ANDERSON, THOMAS", "THOMAS \"TOM\" JACKSON", "WHITE ELIZABETH", "HARRIS CHARLES CO"]
MESSAGES = ["", "", "", "", "DOG IN YARD", "GATE CODE 4411", "METER BEHIND FENCE", ""]


def meters(routes, per_route, first_tag):
    tag = first_tag
    for r, route in enumerate(routes):
        for seq in range(1, per_route + 1):
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


def fixed_width():
    lines = []
    for m in meters(["000101", "000102", "000205", "000310"], 75, 10000000):
        line = (m["route"].ljust(6) + str(m["seq"]).rjust(5) + str(m["tag"]).rjust(8) + m["mtype"] +
                str(m["digits"]) + "0" + str(m["prv"]).rjust(9) + str(m["hi"]).rjust(9) + str(m["lo"]).rjust(9) +
                m["readtype"] + m["last"] + str(m["utility"]).rjust(2) + m["address"][:30].ljust(30) +
                m["name"][:30].ljust(30) + m["account"].ljust(12) + m["serial"].ljust(10) +
                m["message"][:30].ljust(30) + m["user1"].ljust(10))
        lines.append(line)
    with open("routes/fixed-route.txt", "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def quoted(text):
    return '"' + text.replace('"', '""') + '"'


def delimited():
    lines = []
    for m in meters(["NORTH", "SOUTH", "EAST"], 80, 12000000):
        lines.append(",".join([m["route"], str(m["tag"]), m["mtype"], str(m["digits"]), str(m["prv"]),
                               str(m["hi"]), str(m["lo"]), m["readtype"], m["last"], str(m["utility"]),
                               quoted(m["address"]), quoted(m["name"]), m["account"], m["serial"],
                               quoted(m["message"])]))
    with open("routes/delimited-route.csv", "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


fixed_width()
delimited()
