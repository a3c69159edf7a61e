#!/usr/bin/env python3
"""Reads a network analyzer trace file as a stranger would: the file type,
the point count against "data points", the sweep block of two values a
point, each point's first value against an expected level, and the
calibration type.

usage: vna_trace_check.py FILE POINTS LEVEL_DB TOLERANCE_DB CALIB_TYPE
Prints one line per fault; exit status 1 when there is one."""
import sys

import trace_text


def main(path, points, level, tolerance, calib_type):
    text, tags = trace_text.read(path)
    faults = trace_text.tag_faults(tags, {
        "file type": "MTRC",
        "data points": "%03d" % points,
        "calib type": str(calib_type),
    })
    values = trace_text.block_values(text, "vna data")
    if "\t</end vna data>" not in text:
        faults.append("the sweep block is not closed")
    if len(values) != 2 * points:
        faults.append("%d values, expected %d" % (len(values), 2 * points))
    else:
        first = values[0::2]
        worst = max(range(points), key=lambda i: abs(first[i] - level))
        if abs(first[worst] - level) > tolerance:
            faults.append("point %d reads %.4f dB, expected %.4f" % (worst, first[worst], level))
    return trace_text.report(path, faults)


if __name__ == "__main__":
    ok = main(sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4]),
              int(sys.argv[5]))
    sys.exit(0 if ok else 1)
