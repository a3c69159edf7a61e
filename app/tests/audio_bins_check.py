#!/usr/bin/python3
"""Prints the strongest bin of a recording's spectrum and how far it stands
above the median bin: "<frequency Hz> <dB above the median>".

usage: audio_bins_check.py DUMP.json
DUMP holds {"rate": samples a second, "samples": [...]}; one second of
samples gives bins 1 Hz apart. The constant part (bin 0) is left out.
"""
import json
import sys

import numpy as np


def main():
    with open(sys.argv[1]) as f:
        d = json.load(f)
    x = np.array(d["samples"], dtype=float)
    rate = float(d["rate"])
    power = np.abs(np.fft.rfft(x * np.hanning(len(x)))) ** 2
    freqs = np.fft.rfftfreq(len(x), 1.0 / rate)
    power, freqs = power[1:], freqs[1:]
    peak = int(np.argmax(power))
    median = float(np.median(power))
    above = 10 * np.log10(power[peak] / median) if median > 0 else float("inf")
    print(f"{freqs[peak]:.3f} {above:.2f}")


if __name__ == "__main__":
    main()
