#!/usr/bin/python3
"""Checks the simulated board's answers against numbers computed here with
numpy, from the same scene file, without using the board's code.

usage: reference.py SIM_PROBE SCENE.json CONFIG.json
"""
import json
import math
import subprocess
import sys

import numpy as np

C = 299792458.0
# The thermal noise density at 290 K, dBm/Hz: k T over a milliwatt.
KT290 = 10 * math.log10(1.380649e-23 * 290 / 1e-3)
RBW = [100, 300, 1e3, 3e3, 10e3, 30e3, 100e3, 300e3, 1e6]
failures = []


def check(name, ok, detail):
    print(("ok   " if ok else "FAIL ") + name + ": " + detail)
    if not ok:
        failures.append(name)


def verdict():
    """The exit status of a run of checks, after naming the failed ones."""
    if failures:
        print("failed: " + ", ".join(failures))
        return 1
    return 0


def mw(dbm):
    return 10.0 ** (np.asarray(dbm) / 10.0)


def dbm(p):
    return 10.0 * np.log10(p)


def noise_density(scene, atten=0, preamp=0):
    rx = scene.get("receiver", {})
    nf = rx.get("preamp_noise_figure_db", 12) if preamp > 0 else rx.get("noise_figure_db", 24)
    return KT290 + nf + atten  # dBm/Hz


def sigma(rbw):
    """The Gaussian power response exp(-d^2 / (2 s^2)) is 3 dB down at d = rbw / 2."""
    return rbw / 2 / math.sqrt(2 * math.log(2))


def noise_bandwidth(rbw):
    """Width of the rectangle that passes as much noise as the filter, by
    numerical integration of its response."""
    s = sigma(rbw)
    d = np.linspace(-12 * s, 12 * s, 200001)
    return np.trapz(np.exp(-d ** 2 / (2 * s * s)), d)


def filtered(scene, f, rbw):
    """Mean power through a Gaussian filter of -3 dB bandwidth rbw, by
    numerical integration of the input spectrum."""
    s = sigma(rbw)
    f = np.atleast_1d(np.asarray(f, dtype=float))
    out = np.zeros_like(f)
    for sig in scene["signals"]:
        p, fc, b = mw(sig["level_dbm"]), sig["frequency_hz"], sig.get("bandwidth_hz", 0)
        if b <= 0:
            out += p * np.exp(-(f - fc) ** 2 / (2 * s * s))
        else:
            x = np.linspace(fc - b / 2, fc + b / 2, 4001)
            h = np.exp(-(f[:, None] - x[None, :]) ** 2 / (2 * s * s))
            out += p / b * np.trapz(h, x, axis=1)
    return out


def channel_power(scene, lo, hi, n0):
    p = mw(n0) * (hi - lo)
    for sig in scene["signals"]:
        fc, b = sig["frequency_hz"], sig.get("bandwidth_hz", 0)
        if b <= 0:
            p += mw(sig["level_dbm"]) if lo <= fc < hi else 0
        else:
            x = np.linspace(fc - b / 2, fc + b / 2, 200001)
            inside = (x >= lo) & (x <= hi)
            p += mw(sig["level_dbm"]) * inside.mean()
    return dbm(p)


def check_spectrum(scene, cfg, got):
    n = 705
    rbw = RBW[8 - cfg["rbw_word"]]
    centre, span = cfg["centre_hz"], cfg["span_hz"]
    f = centre - span / 2 + np.arange(n) * span / (n - 1)
    n0 = noise_density(scene)

    # Trace: the average detector takes the mean over each point, which
    # covers half a step either side of its frequency (midpoint rule).
    step = span / (n - 1)
    k = 64
    sub = f[:, None] + ((np.arange(k) + 0.5) / k - 0.5)[None, :] * step
    mean = (filtered(scene, sub.ravel(), rbw).reshape(n, k) + mw(n0) * noise_bandwidth(rbw)).mean(axis=1)
    err = np.max(np.abs(dbm(mean) - np.array(got["trace"])))
    check("spectrum trace", err < 0.1, "largest difference %.4f dB over %d points" % (err, n))
    peak = int(np.argmax(got["trace"]))
    check("carrier frequency", abs(f[peak] - 940e6) <= step,
          "strongest point at %.4f MHz" % (f[peak] / 1e6))

    w, aw, d = cfg["channel_width_hz"], cfg["adjacent_width_hz"], cfg["distance_hz"]
    cp = channel_power(scene, centre - w / 2, centre + w / 2, n0)
    lo = channel_power(scene, centre - d - aw / 2, centre - d + aw / 2, n0)
    up = channel_power(scene, centre + d - aw / 2, centre + d + aw / 2, n0)
    check("channel power", abs(got["channel_power"] - cp) < 0.1,
          "board %.3f dBm, reference %.3f dBm" % (got["channel_power"], cp))
    want = [cp, lo, up, lo - cp, up - cp]
    diff = max(abs(a - b) for a, b in zip(got["acp"], want))
    check("adjacent channel power", diff < 0.1,
          "board %s, reference %s" % (np.round(got["acp"], 3).tolist(), np.round(want, 3).tolist()))

    # Occupied bandwidth: 99 % of the power of the expected trace.
    p = filtered(scene, f, rbw) + mw(n0) * noise_bandwidth(rbw)
    cum = np.concatenate([[0.0], np.cumsum(p)])
    pos = np.arange(n + 1) - 0.5
    total = cum[-1]
    obw = (np.interp(total * 0.995, cum, pos) - np.interp(total * 0.005, cum, pos)) * step
    check("occupied bandwidth", abs(got["obw_hz"] - obw) <= step,
          "board %.0f Hz, reference %.0f Hz, bin %.0f Hz" % (got["obw_hz"], obw, step))

    worst = 0.0
    for fl in got["noise_floors"]:
        want = noise_density(scene, fl["atten"], fl["preamp"]) + 10 * math.log10(noise_bandwidth(RBW[8 - fl["rbw_word"]]))
        worst = max(worst, abs(fl["dbm"] - want))
    check("noise floor per RBW", worst < 0.1,
          "%d settings, largest difference %.4f dB" % (len(got["noise_floors"]), worst))


def check_between_bins(scene, cfg, got):
    """A carrier a fraction of a step off the nearest point shows its level
    there with the positive-peak detector at every RBW: the point covers the
    carrier's frequency, so the filter's response peaks inside it."""
    n = 705
    b = cfg["between_bins"]
    fc, span = b["carrier_hz"], b["span_hz"]
    level = [s["level_dbm"] for s in scene["signals"] if s["frequency_hz"] == fc][0]
    step = span / (n - 1)
    worst, where = 0.0, ""
    for run in got["between_bins"]:
        rbw = RBW[8 - run["rbw_word"]]
        f = run["centre_hz"] - span / 2 + np.arange(n) * step
        nearest = int(np.argmin(np.abs(f - fc)))
        want = dbm(mw(level) + mw(noise_density(scene)) * noise_bandwidth(rbw))
        err = abs(run["trace"][nearest] - want)
        if err > worst:
            worst, where = err, "RBW %g Hz, point %d" % (rbw, nearest)
    check("carrier between points", len(got["between_bins"]) == 9 * len(b["offsets"]) and worst < 0.5,
          "%d sweeps, largest difference %.4f dB (%s)" % (len(got["between_bins"]), worst, where))


def antenna_rl(dut, f):
    pts = sorted(dut["antenna"], key=lambda p: p["frequency_hz"])
    return np.interp(f, [p["frequency_hz"] for p in pts], [p["return_loss_db"] for p in pts])


def dut_s11(scene, f):
    """The cable as a chain of ABCD matrices (line sections and each fault a
    shunt susceptance reflecting its return loss), loaded by the antenna's
    impedance (its return loss is against 50 ohm), seen from the 50 ohm port."""
    dut = scene["dut"]
    cab = dut["cable"]
    zc = cab.get("impedance_ohm", 50)
    gamma = (cab["loss_db_per_m"] * np.sqrt(f / 1e9) * math.log(10) / 20
             + 1j * 2 * math.pi * f / (cab["velocity_factor"] * C))
    one, zero = np.ones(f.shape, dtype=complex), np.zeros(f.shape, dtype=complex)

    def line(length):
        ch, sh = np.cosh(gamma * length), np.sinh(gamma * length)
        return [[ch, zc * sh], [sh / zc, ch]]

    def times(m, n):
        return [[m[0][0] * n[0][0] + m[0][1] * n[1][0], m[0][0] * n[0][1] + m[0][1] * n[1][1]],
                [m[1][0] * n[0][0] + m[1][1] * n[1][0], m[1][0] * n[0][1] + m[1][1] * n[1][1]]]

    chain, at = [[one, zero], [zero, one]], 0.0
    faults = [x for x in dut.get("faults", []) if 0 < x["distance_m"] < cab["length_m"]]
    for fault in sorted(faults, key=lambda x: x["distance_m"]):
        g = 10 ** (-fault["return_loss_db"] / 20)
        b = 2 * g / math.sqrt(1 - g * g)
        chain = times(times(chain, line(fault["distance_m"] - at)), [[one, zero], [1j * b / zc * one, one]])
        at = fault["distance_m"]
    chain = times(chain, line(cab["length_m"] - at))
    g_end = 10 ** (-antenna_rl(dut, f) / 20)
    z_load = 50 * (1 + g_end) / (1 - g_end)
    (a, b_), (c, d) = chain
    z_in = (a * z_load + b_) / (c * z_load + d)
    return (z_in - 50) / (z_in + 50)


def complex_of(pairs):
    a = np.array(pairs, dtype=float)
    return 10 ** (a[:, 0] / 20) * np.exp(1j * np.radians(a[:, 1]))


def peaks(trace, count, apart):
    """Positions of the `count` highest local maxima at least `apart` points apart."""
    t = np.asarray(trace)
    idx = [i for i in range(1, len(t) - 1) if t[i] >= t[i - 1] and t[i] > t[i + 1]]
    taken = []
    for i in sorted(idx, key=lambda i: -t[i]):
        if all(abs(i - j) >= apart for j in taken):
            taken.append(i)
        if len(taken) == count:
            break
    return sorted(taken)


def dtf_trace(scene, f, start_m, stop_m):
    """Distance to fault of the scene's reflection over the frequencies f: Hann
    window, zero-padded inverse FFT, read at len(f) distances from start_m to
    stop_m. Returns (distance axis in metres, level in dB)."""
    n = len(f)
    s11 = dut_s11(scene, f)
    vf = scene["dut"]["cable"]["velocity_factor"]
    size = 1 << 16
    h = np.abs(np.fft.ifft(s11 * np.hanning(n), size)) * size / np.hanning(n).sum()
    dist = np.arange(size) / (size * (f[1] - f[0])) * vf * C / 2
    axis = np.linspace(start_m, stop_m, n)
    return axis, 20 * np.log10(np.interp(axis, dist, h))


def check_network(scene, cfg, got):
    n = cfg["points"]
    f = np.linspace(cfg["start_hz"], cfg["stop_hz"], n)

    # Closed-form one-port calibration from the raw standards (taken as ideal).
    mo, ms, ml = (complex_of(got["raw"][k]) for k in ("open", "short", "load"))
    a, b = mo - ml, ms - ml
    ed, es, er = ml, (a + b) / (a - b), -2 * a * b / (a - b)
    m = complex_of(got["raw"]["dut"])
    g = (m - ed) / (er + es * (m - ed))
    rl = -20 * np.log10(np.abs(g))
    want = scene["dut"]["load_return_loss_db"]
    raw_err = np.max(np.abs(-20 * np.log10(np.abs(m)) - want))
    err = np.max(np.abs(rl - want))
    check("one-port calibration", err < 0.05,
          "recovered load %.4f..%.4f dB for %.1f dB (uncorrected off by %.2f dB)"
          % (rl.min(), rl.max(), want, raw_err))
    worst = 0.0
    for name, mine in (("ed", ed), ("es", es), ("er", er)):
        board = np.array([complex(*p) for p in got["terms"][name]])
        worst = max(worst, np.max(np.abs(board - mine)))
    check("board error terms", worst < 1e-4, "largest difference %.2e" % worst)

    vf = scene["dut"]["cable"]["velocity_factor"]
    axis, ref = dtf_trace(scene, f, cfg["dtf_start_m"], cfg["dtf_stop_m"])
    bin_m = axis[1] - axis[0]
    apart = int(2.0 / bin_m)  # faults closer than 2 m are not told apart here
    board_peaks = peaks(got["dtf"], 2, apart)
    ref_peaks = peaks(ref, 2, apart)
    scene_d = sorted([x["distance_m"] for x in scene["dut"]["faults"]] + [scene["dut"]["cable"]["length_m"]])
    ok = len(board_peaks) == len(ref_peaks) and all(abs(x - y) <= 1 for x, y in zip(board_peaks, ref_peaks))
    check("distance-to-fault peaks", ok,
          "board %s m, reference %s m, scene %s m, bin %.3f m"
          % ([round(axis[i], 3) for i in board_peaks], [round(axis[i], 3) for i in ref_peaks], scene_d, bin_m))
    resolution = vf * C / (2 * (f[-1] - f[0]))
    near = all(abs(axis[i] - d) <= resolution for i, d in zip(board_peaks, scene_d))
    check("faults where the scene puts them", near, "within the resolution %.3f m" % resolution)
    level_err = max(abs(got["dtf"][i] - ref[i]) for i in ref_peaks)
    check("distance-to-fault peak levels", level_err < 0.1, "largest difference %.4f dB" % level_err)


def main():
    probe, scene_file, cfg_file = sys.argv[1:4]
    scene = json.load(open(scene_file))
    cfg = json.load(open(cfg_file))
    got = json.loads(subprocess.run([probe, scene_file, cfg_file], check=True,
                                    capture_output=True, text=True).stdout)
    check_spectrum(scene, cfg["spectrum"], got["spectrum"])
    check_between_bins(scene, cfg["spectrum"], got["spectrum"])
    check_network(scene, cfg["network"], got["network"])
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
