#!/usr/bin/python3
"""The distance-to-fault wizard's points, span and centre in single
precision, written from the description of the wizard with numpy's float32.

usage: dtf_wizard_check.py VP LENGTH RESOLUTION FEET CENTRE LOWEST
prints: POINTS SPAN CENTRE, or "invalid"
"""
import sys

import numpy as np

f32 = np.float32


def wizard(vp, length, resolution, feet, centre, lowest):
    vp, length, resolution = f32(vp), f32(length), f32(resolution)
    if not (length > 0 and resolution > 0):
        return None
    d = f32(np.floor(length)) * f32(1.25)
    if d == 0:
        return None
    raw = int(np.floor(f32(d / resolution)))
    points = 177
    while points < raw and points < 11265:
        points = 2 * points - 1
    if feet:
        d = f32(d * f32(0.3048))
    span = int(f32(f32(f32(points - 1) * vp) * f32(149896224)) / d)
    if span > 3275000000:
        span = 3275000000
        step = f32(f32(vp * f32(149896224)) / f32(3.275e9))
        points = 177
        while f32(f32(points - 1) * step) < d:
            points = 2 * points - 1
    half = span // 2
    centre = max(centre, lowest + half)
    centre = min(centre, 3600000000 - half)
    return points, span, centre


if __name__ == "__main__":
    a = sys.argv[1:]
    r = wizard(float(a[0]), float(a[1]), float(a[2]), a[3] == "1", int(a[4]), int(a[5]))
    print("invalid" if r is None else "%d %d %d" % r)
