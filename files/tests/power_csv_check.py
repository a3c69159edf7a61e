#!/usr/bin/env python3
"""Reads power meter CSV files as a spreadsheet would (8-bit text): the
title line, then the column header and data rows of equal width whose fields
after the date and time are numbers (the temperature with its degree sign)."""
import csv
import sys


def check(path):
    with open(path, newline="", encoding="latin-1") as f:
        rows = list(csv.reader(f))
    if len(rows) < 1:
        return f"{path}: empty"
    data = rows[1:]
    if not data:
        return None  # the title alone
    header, lines = data[0], data[1:]
    if header[:2] != ["Date", "Time"]:
        return f"{path}: header {header}"
    for line in lines:
        if len(line) != len(header):
            return f"{path}: {len(line)} fields under {len(header)} columns"
        for field in line[2:]:
            float(field.removesuffix("\u00b0C"))
    return None


if __name__ == "__main__":
    errors = [e for e in (check(p) for p in sys.argv[1:]) if e]
    for e in errors:
        print(e)
    sys.exit(1 if errors else 0)
