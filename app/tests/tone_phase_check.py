#!/usr/bin/python3
"""Checks that a recorded tone runs on without a phase jump: the tone's
phase in each window of the recording (a Hann-weighted projection on the
tone at its known frequency, timed from the first sample) stays within
LIMIT degrees of the first window's, and the tone is there at all.

usage: tone_phase_check.py DUMP.json LIMIT_DEGREES
DUMP holds {"rate": samples a second, "tone_hz": ..., "samples": [...]}.
"""
import json
import sys

import numpy as np

WINDOW = 1000  # samples: 50 ms at 20,000 a second


def main():
    dump, limit = sys.argv[1], float(sys.argv[2])
    with open(dump) as f:
        d = json.load(f)
    x = np.array(d["samples"], dtype=float)
    rate, tone = float(d["rate"]), float(d["tone_hz"])
    n = np.arange(len(x))
    carrier = np.exp(-2j * np.pi * tone * n / rate)
    weight = np.hanning(WINDOW)
    windows = len(x) // WINDOW
    phases, amplitudes = [], []
    for k in range(windows):
        part = slice(k * WINDOW, (k + 1) * WINDOW)
        c = np.sum(x[part] * weight * carrier[part]) * 2 / np.sum(weight)
        phases.append(np.angle(c, deg=True))
        amplitudes.append(abs(c))
    phases = np.array(phases)
    amplitudes = np.array(amplitudes)
    drift = (phases - phases[0] + 180.0) % 360.0 - 180.0
    worst = int(np.argmax(np.abs(drift)))
    ok = True
    if np.min(amplitudes) < 0.5 * np.median(amplitudes) or np.median(amplitudes) < 1000:
        print("tone missing: amplitudes %.0f..%.0f" % (np.min(amplitudes), np.max(amplitudes)))
        ok = False
    if abs(drift[worst]) > limit:
        print("phase jump: window %d (sample %d) is %.2f degrees off the first"
              % (worst, worst * WINDOW, drift[worst]))
        ok = False
    print("%s: %d windows, largest phase difference %.3f degrees, amplitude %.0f"
          % ("ok" if ok else "FAILED", windows, abs(drift[worst]), np.median(amplitudes)))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
