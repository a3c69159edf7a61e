#!/usr/bin/python3
"""Checks what the GPS box shows against an NMEA log, from the log's own text.

usage: gps_box_check.py LOG fix FORMAT LATITUDE LONGITUDE ALTITUDE
       gps_box_check.py LOG satellites NUMBER...

fix: FORMAT is "dm" (degrees and decimal minutes) or "dms" (degrees, minutes
and seconds); ALTITUDE ends in " m" or " ft". Exit status 0 when one GGA
record of the log shows as the three texts.
satellites: exit status 0 when the numbers are those of one complete GSV set
of the log, in the set's order (at most twelve).

The coordinates are taken from the record's text (ddmm.mmm), never through
a floating-point degree value: minutes are rounded to the shown digits and
carried into degrees, the sign stands once, on the degrees.
"""
import sys
from decimal import ROUND_HALF_EVEN, Decimal

FEET = Decimal("0.3048")


def fields(line):
    body = line.strip()
    if not body.startswith("$"):
        return None
    body = body[1:].split("*")[0]
    return body.split(",")


def coordinate(text, hemisphere, degree_digits, fmt):
    degrees = int(text[:degree_digits])
    minutes = Decimal(text[degree_digits:])
    sign = "-" if hemisphere in ("S", "W") else ""
    if fmt == "dm":
        m = minutes.quantize(Decimal("0.001"), rounding=ROUND_HALF_EVEN)
        if m >= 60:
            m -= 60
            degrees += 1
        shown = "%d\u00b0 %6.3f'" % (degrees, m)
    else:
        whole = int(minutes)
        s = ((minutes - whole) * 60).quantize(Decimal("0.01"), rounding=ROUND_HALF_EVEN)
        if s >= 60:
            s -= 60
            whole += 1
        if whole >= 60:
            whole -= 60
            degrees += 1
        shown = "%d\u00b0 %d' %5.2f\"" % (degrees, whole, s)
    if sign and shown.strip("0\u00b0 '.\"") == "":
        sign = ""
    return sign + shown


def altitude(text, unit):
    metres = Decimal(text)
    if unit == "ft":
        return "%7.1f ft" % (metres / FEET)
    return "%6.1f m" % metres


def gga_texts(lines, fmt, unit):
    for line in lines:
        f = fields(line)
        if not f or not f[0].endswith("GGA") or len(f) < 10 or not f[2]:
            continue
        yield (coordinate(f[2], f[3], 2, fmt), coordinate(f[4], f[5], 3, fmt), altitude(f[9], unit))


def gsv_sets(lines):
    current = []
    for line in lines:
        f = fields(line)
        if not f or not f[0].endswith("GSV"):
            continue
        total, number = int(f[1]), int(f[2])
        if number == 1:
            current = []
        for i in range(4, len(f) - 3, 4):
            if f[i]:
                current.append(int(f[i]))
        if number == total:
            yield current[:12]


def main():
    with open(sys.argv[1], encoding="ascii", errors="replace") as log:
        lines = log.readlines()
    what = sys.argv[2]
    if what == "fix":
        fmt, lat, lon, alt = sys.argv[3:7]
        unit = "ft" if alt.endswith("ft") else "m"
        shown = (lat, lon, alt)
        candidates = list(gga_texts(lines, fmt, unit))
        if shown in candidates:
            return 0
        print("shown %r; the log's records: %r" % (shown, candidates), file=sys.stderr)
        return 1
    numbers = [int(n) for n in sys.argv[3:]]
    sets = list(gsv_sets(lines))
    if numbers in sets:
        return 0
    print("shown %r; the log's sets: %r" % (numbers, sets), file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
