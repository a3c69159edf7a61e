#!/usr/bin/env python3
"""Reads a spectrum trace file as a stranger would: the header lines of a
trace ("file type = MTRC", the unit's serial number, the revision lines),
the point count against "data points", and where the trace peaks.

usage: trace_file_check.py FILE SERIAL POINTS PEAK_INDEX PEAK_DBM
Prints one line per fault; exit status 1 when there is one."""
import sys

import trace_text


def main(path, serial, points, peak_index, peak_dbm):
    text, tags = trace_text.read(path)
    faults = trace_text.tag_faults(tags, {
        "file type": "MTRC",
        "serial number": serial,
        "App revision": "1.6.20130314",
        "DSP revision": "",
        "FPGA revision": "",
        "data points": "%03d" % points,
    })
    head = text[: text.find("</head>")]
    for key in ("creation date", "setup label", "title", "subtitle", "notes"):
        if "\t<%s = " % key not in head:
            faults.append("no %s line in the header" % key)
    values = trace_text.block_values(text, "sa data")
    if len(values) != points:
        faults.append("%d points, expected %d" % (len(values), points))
    elif values:
        top = max(range(len(values)), key=lambda i: values[i])
        if abs(top - peak_index) > 2:
            faults.append("peak at point %d, expected %d" % (top, peak_index))
        if abs(values[top] - peak_dbm) > 0.5:
            faults.append("peak %.2f dBm, expected %.2f" % (values[top], peak_dbm))
    return trace_text.report(path, faults)


if __name__ == "__main__":
    ok = main(sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5]))
    sys.exit(0 if ok else 1)
