#!/usr/bin/python3
"""Checks what a measurement screen made of the simulated board's sweeps
against numpy: the point frequencies, the carrier, the trace modes, the
peak lists (a literal copy of the detection rules) and the limit segments.

usage: measurement_base_check.py CHECK DUMP.json SIM_REFERENCE.py SCENE.json
CHECK is one of: activation, modes, peaks, limits.
"""
import importlib.util
import json
import sys

import numpy as np


def load_reference(path):
    spec = importlib.util.spec_from_file_location("sim_reference", path)
    mod = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(mod)
    return mod


def check_activation(ref, scene, d):
    n = 705
    start, stop = d["start"], d["stop"]
    sweep = d["sweeps"][-1]
    want = np.floor(np.linspace(start, stop, n) + 0.5)
    err = np.max(np.abs(np.array(sweep["frequency"], dtype=float) - want))
    ref.check("point frequencies", err <= 1.0, "largest difference %.1f Hz" % err)
    trace = np.array(sweep["trace"])
    rbw = ref.RBW[d["rbw_index"]]
    f = np.linspace(start, stop, n)
    step = (stop - start) / (n - 1)
    k = 64
    sub = f[:, None] + ((np.arange(k) + 0.5) / k - 0.5)[None, :] * step
    n0 = ref.noise_density(scene, d["attenuation"], 0)
    expected = ref.dbm((ref.filtered(scene, sub.ravel(), rbw).reshape(n, k)
                        + ref.mw(n0) * ref.noise_bandwidth(rbw)).mean(axis=1))
    got, exp = int(np.argmax(trace)), int(np.argmax(expected))
    ref.check("maximum at the carrier's point", abs(got - exp) <= 1,
              "screen point %d, reference point %d" % (got, exp))
    ref.check("carrier level", abs(trace[got] - expected[exp]) < 0.2,
              "screen %.3f dBm, reference %.3f dBm" % (trace[got], expected[exp]))


def apply_mode(avg, hold, y, x, w):
    if avg:
        return y * (1 - w) + x * w
    if hold == 1:
        return np.maximum(y, x)
    if hold == 2:
        return np.minimum(y, x)
    return x


def check_modes(ref, scene, d):
    y = None
    worst = 0.0
    modes = set()
    for s in d["sweeps"]:
        x = np.array(s["newest"])
        if y is None or s["restarted"]:
            y = x.copy()
        else:
            y = apply_mode(s["avg"], s["hold"], y, x, 1.0 / s["count"])
            modes.add((s["avg"], s["hold"]))
        worst = max(worst, float(np.max(np.abs(y - np.array(s["trace"])))))
    ref.check("trace modes", worst < 1e-9, "largest difference %.3g dB over %d sweeps, modes %s"
              % (worst, len(d["sweeps"]), sorted(modes)))
    ref.check("every mode ran", {(1, 0), (0, 1), (0, 2)} <= modes, "%s" % sorted(modes))
    late = d.get("mid_sweep")
    if late is not None:
        s = d["sweeps"][late]
        ref.check("a mode set mid-sweep starts at the next boundary",
                  s["restarted"] and np.array_equal(np.array(s["trace"]), np.array(s["newest"])),
                  "sweep %d" % late)


def detect(levels, threshold):
    """The peak and valley detection, rule by rule."""
    n = len(levels)
    cap = n // 2
    peaks, valleys = [], []
    mx = mn = 0.0
    imx = imn = 0
    first, direction = True, 0

    def add(lst, i, l):
        if len(lst) < cap:
            lst.append((i, l))
    for i, level in enumerate(levels):
        if i == 0:
            mx = mn = level
            imx = imn = 0
            first, direction = True, 0
        else:
            if level > mx:
                mx, imx = level, i
            if level < mn:
                mn, imn = level, i
        if level > mn + 3.0:
            if direction == 0 or first:
                add(valleys, imn, mn)
                mx = mn = level
                imx = imn = i
                first = False
            direction = 1
            if i >= n - 1 and level >= threshold:
                add(peaks, i, level)
        if level < mx - 3.0:
            if direction == 1 or first:
                if mx >= threshold:
                    add(peaks, imx, mx)
                mx = mn = level
                imx = imn = i
                first = False
            direction = 0
            if i >= n - 1:
                add(valleys, i, level)
    return peaks, valleys


def ranked(entries, highest):
    order = sorted(range(len(entries)), key=lambda j: ((-entries[j][1] if highest else entries[j][1]), -j))
    return [entries[j][0] for j in order]


def check_peaks(ref, scene, d):
    s = d["sweeps"][-1]
    peaks, valleys = detect(list(s["trace"]), d["threshold"])
    ref.check("peak list", ranked(peaks, True) == s["peaks"],
              "python %s, screen %s" % (ranked(peaks, True)[:8], s["peaks"][:8]))
    ref.check("valley list", ranked(valleys, False) == s["valleys"],
              "%d valleys, screen %d" % (len(valleys), len(s["valleys"])))
    lv = np.array(s["trace"])
    tops = [lv[i] for i in s["peaks"]]
    ref.check("an equal-level pair is listed", len(tops) >= 2 and abs(tops[0] - tops[1]) < 0.01,
              "first two %s" % tops[:2])


def check_limits(ref, scene, d):
    for s in d["sweeps"]:
        lv = np.array(s["trace"])
        code = np.where(lv >= d["upper"], 29, 28) if d["upper_on"] else np.full(len(lv), 28)
        starts, codes = [], []
        origin = 0
        prev = None
        for i, c in enumerate(code):
            if len(starts) >= len(lv) // 2:
                break
            if c != prev:
                starts.append(i)
                codes.append(int(c))
                origin = i
                prev = c
            elif i - origin == 60:
                starts.append(i)
                codes.append(int(c))
                origin = i
        starts.append(len(lv))
        codes.append(codes[-1])
        ok = starts == s["segment_start"] and codes == s["segment_code"]
        if not ok:
            ref.check("limit segments", False, "python %s %s, screen %s %s"
                      % (starts[:10], codes[:10], s["segment_start"][:10], s["segment_code"][:10]))
            return
    ref.check("limit segments", True, "%d sweeps" % len(d["sweeps"]))


def main():
    check, dump, reference, scene_path = sys.argv[1:5]
    ref = load_reference(reference)
    with open(dump) as f:
        d = json.load(f)
    with open(scene_path) as f:
        scene = json.load(f)
    {"activation": check_activation, "modes": check_modes, "peaks": check_peaks,
     "limits": check_limits}[check](ref, scene, d)
    return ref.verdict()


if __name__ == "__main__":
    sys.exit(main())
