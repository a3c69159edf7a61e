#!/usr/bin/python3
"""Checks what the spectrum and network-analyzer measurements yield end to
end (measurement -> DSP link -> driver -> simulated board) against numbers
computed here with numpy from the same scene file, without the board's code.
The scene physics (noise, filters, channel integrals, the cable's
reflection, the distance transform) come from the simulator's own numpy
reference, which is independent of the board.

usage: measure_reference.py MEASURE_PROBE SIM_REFERENCE.py SCENE.json CONFIG.json
"""
import importlib.util
import json
import subprocess
import sys

import numpy as np


def load_reference(path):
    spec = importlib.util.spec_from_file_location("sim_reference", path)
    mod = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(mod)
    return mod


def check_spectrum(ref, scene, cfg, got):
    n = 705
    rbw = ref.RBW[8 - cfg["rbw_word"]]
    centre, span = cfg["centre_hz"], cfg["span_hz"]
    step = span / (n - 1)
    f = centre - span / 2 + np.arange(n) * step
    # The noise as the setup's attenuation and preamplifier make it.
    n0 = ref.noise_density(scene, got["attenuation_db"], got["preamp_db"])

    w, aw, d = cfg["channel_width_hz"], cfg["adjacent_width_hz"], cfg["distance_hz"]
    cp = ref.channel_power(scene, centre - w / 2, centre + w / 2, n0)
    lo = ref.channel_power(scene, centre - d - aw / 2, centre - d + aw / 2, n0)
    up = ref.channel_power(scene, centre + d - aw / 2, centre + d + aw / 2, n0)
    ref.check("channel power", abs(got["channel_power"] - cp) < 0.1,
          "measured %.3f dBm, reference %.3f dBm" % (got["channel_power"], cp))
    want = [cp, lo, up, lo - cp, up - cp]
    diff = max(abs(a - b) for a, b in zip(got["acp"], want))
    ref.check("adjacent channel power", diff < 0.1,
          "measured %s, reference %s" % (np.round(got["acp"], 3).tolist(), np.round(want, 3).tolist()))

    # 99 % of the power of the expected trace.
    p = ref.filtered(scene, f, rbw) + ref.mw(n0) * ref.noise_bandwidth(rbw)
    cum = np.concatenate([[0.0], np.cumsum(p)])
    pos = np.arange(n + 1) - 0.5
    total = cum[-1]
    obw = (np.interp(total * 0.995, cum, pos) - np.interp(total * 0.005, cum, pos)) * step
    ref.check("occupied bandwidth", abs(got["obw_hz"] - obw) <= step,
          "measured %.0f Hz, reference %.0f Hz, bin %.0f Hz" % (got["obw_hz"], obw, step))
    ref.check("channel edges without a band", got["edges"] == [centre - span / 2, centre + span / 2],
          "%s" % got["edges"])


def check_network(ref, scene, cfg, got):
    n = got["points"]
    f = np.linspace(cfg["start_hz"], cfg["stop_hz"], n)
    s11 = ref.dut_s11(scene, f)
    want = 20 * np.log10(np.abs(s11))
    err = np.max(np.abs(np.array(got["return_loss"]) - want))
    ref.check("return loss of the cable and antenna", err < 0.05,
          "largest difference %.4f dB over %d points" % (err, n))

    axis, reference = ref.dtf_trace(scene, f, got["dtf_start_m"], got["dtf_stop_m"])
    bin_m = axis[1] - axis[0]
    apart = int(2.0 / bin_m)
    measured = ref.peaks(got["dtf"], 2, apart)
    expected = ref.peaks(reference, 2, apart)
    ref.check("distance-to-fault peaks against numpy",
          len(measured) == len(expected) and all(abs(a - b) <= 1 for a, b in zip(measured, expected)),
          "measured %s m, reference %s m" % ([round(axis[i], 3) for i in measured],
                                            [round(axis[i], 3) for i in expected]))
    fault = scene["dut"]["faults"][0]["distance_m"]
    nearest = min(measured, key=lambda i: abs(axis[i] - fault))
    ref.check("distance-to-fault peak at the scene's fault", abs(axis[nearest] - fault) <= bin_m,
          "peak at %.3f m, fault at %.3f m, bin %.3f m" % (axis[nearest], fault, bin_m))


def main():
    probe, reference_py, scene_file, cfg_file = sys.argv[1:5]
    ref = load_reference(reference_py)
    scene = json.load(open(scene_file))
    cfg = json.load(open(cfg_file))
    got = json.loads(subprocess.run([probe, scene_file, cfg_file], check=True,
                                    capture_output=True, text=True).stdout)
    check_spectrum(ref, scene, cfg["spectrum"], got["spectrum"])
    check_network(ref, scene, cfg["network"], got["network"])
    return ref.verdict()


if __name__ == "__main__":
    sys.exit(main())
