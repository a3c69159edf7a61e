#!/usr/bin/python3
"""The simulator's programs as a user runs them: one table of runs of
sim_scene, each with its exit status and the first line it writes, and
sim_probe on scenes at the edges of what a scene may hold, which it must
measure without crashing.

usage: tools_test.py SIM_SCENE SIM_PROBE CONFIG.json
"""
import json
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from reference import check, verdict  # noqa: E402


def run(args):
    p = subprocess.run(args, capture_output=True, text=True, timeout=120)
    first = (p.stdout + p.stderr).splitlines()
    return p.returncode, first[0] if first else ""


def scene_runs(sim_scene, folder):
    def scene(name, text):
        path = os.path.join(folder, name)
        with open(path, "w") as f:
            f.write(text)
        return path

    good = os.path.join(folder, "written.json")
    bad_key = scene("key.json", '{"dut": {"cable": {"velocty_factor": 0.7}}}')
    bad_type = scene("type.json", '{"receiver": {"seed": "one"}}')
    bad_range = scene("range.json", '{"signals": [{"frequency_hz": 12e9}]}')
    bad_times = scene("times.json", '{"receiver": {"min_sweep_ms": 900, "max_sweep_ms": 90}}')
    bad_syntax = scene("syntax.json", '{"signals": [\n')
    bad_number = scene("number.json", '{"time_scale": 1e999}')
    # (arguments, status, the start of the first line; None: no output)
    table = [
        (["--default", good], 0, None),
        (["--check", good], 0, None),
        (["--default", good], 0, None),  # an existing file stays
        (["--check", bad_key], 1,
         bad_key + ': dut.cable: unknown key "velocty_factor" (did you mean "velocity_factor"?)'),
        (["--check", bad_type], 1, bad_type + ": receiver.seed: a whole number is needed, not string"),
        (["--check", bad_range], 1, bad_range + ": signals[0].frequency_hz: 1.2e+10 is out of range"),
        (["--check", bad_times], 1, bad_times + ": receiver.min_sweep_ms: the minimum sweep time"),
        (["--check", bad_syntax], 1, bad_syntax + ": line 2, signals[0]: "),
        (["--check", bad_number], 1, bad_number + ": line 1, time_scale: "),
        (["--check", os.path.join(folder, "missing.json")], 1,
         os.path.join(folder, "missing.json") + ": no such scene file"),
        (["--help"], 0, "usage: sim_scene"),
        (["--frobnicate"], 2, "sim_scene: unknown option --frobnicate"),
        (["--check"], 2, "usage: sim_scene"),
        ([], 2, "usage: sim_scene"),
    ]
    for args, status, first in table:
        got_status, got_first = run([sim_scene] + args)
        ok = got_status == status and (got_first == "" if first is None else got_first.startswith(first))
        check("sim_scene " + " ".join(os.path.basename(a) for a in args), ok,
              "status %d, %r" % (got_status, got_first))


# Scenes that load, at the edges of what they may hold.
EDGE_SCENES = {
    "no signals": {"signals": []},
    "bare cable": {"dut": {"cable": {"length_m": 0}, "faults": [], "antenna": []}},
    "step in the antenna curve": {"dut": {"antenna": [
        {"frequency_hz": 5e8, "return_loss_db": 3}, {"frequency_hz": 1e9, "return_loss_db": 5},
        {"frequency_hz": 1e9, "return_loss_db": 25}]}},
    "faults past the cable end": {"dut": {"faults": [{"distance_m": 0}, {"distance_m": 500}]}},
    "sweep times of zero": {"receiver": {"min_sweep_ms": 0, "max_sweep_ms": 0}},
    "extreme signals": {"signals": [{"frequency_hz": 0, "level_dbm": 100, "bandwidth_hz": 10e9},
                                    {"frequency_hz": 10e9, "level_dbm": -300}]},
    "reflectometer at its worst": {"error_terms": {"directivity_db": 0, "source_match_db": 0,
                                                   "reflection_tracking_db": -100}},
    "noisy receiver": {"receiver": {"noise_variation": True, "seed": 4294967295}},
}


def probe_runs(sim_probe, config, folder):
    for name, content in EDGE_SCENES.items():
        content = dict(content, time_scale=0)
        path = os.path.join(folder, "edge.json")
        with open(path, "w") as f:
            json.dump(content, f)
        p = subprocess.run([sim_probe, path, config], capture_output=True, text=True, timeout=300)
        ok = p.returncode == 0
        if ok:
            try:
                json.loads(p.stdout)
            except ValueError:
                ok = False
        check("sim_probe on " + name, ok, "status %d %s" % (p.returncode, p.stderr.strip()[:80]))


def main():
    sim_scene, sim_probe, config = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as folder:
        scene_runs(sim_scene, folder)
        probe_runs(sim_probe, config, folder)
    return verdict()


if __name__ == "__main__":
    sys.exit(main())
