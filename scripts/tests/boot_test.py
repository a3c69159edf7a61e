#!/usr/bin/env python3
"""`make run`'s boot on a device root laid out by make-device-root: the
start-up programs (the real QXCopy) run to their end before the main program
(here a stand-in that notes what it finds); a cold boot empties Temp, a warm
one keeps it.

usage: boot_test.py SCRIPTS_DIR QXCOPY_BINARY"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

SCRIPTS, QXCOPY = sys.argv[1], sys.argv[2]

MAIN_PROGRAM = """#!/bin/sh
# Notes the counter QXCopy left and what else Temp holds.
root=$2
od -An -tx1 "$root/Temp/qxinit.log" | tr -d ' \\n' > "$root/seen-counter"
ls "$root/Temp" > "$root/seen-temp"
"""


class Boot(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="boot-test-")
        self.bin = os.path.join(self.work, "bin")
        self.root = os.path.join(self.work, "root")
        os.makedirs(self.bin)
        shutil.copy(QXCOPY, os.path.join(self.bin, "QXCopy"))
        main = os.path.join(self.bin, "celvane")
        with open(main, "w") as f:
            f.write(MAIN_PROGRAM)
        os.chmod(main, 0o755)
        subprocess.run([os.path.join(SCRIPTS, "make-device-root"), self.bin, self.root],
                       check=True)

    def tearDown(self):
        shutil.rmtree(self.work)

    def boot(self, kind):
        env = dict(os.environ, BOOT=kind)
        return subprocess.run([os.path.join(SCRIPTS, "run-instrument"), self.bin, self.root,
                               "--display", "headless"],
                              env=env, capture_output=True, text=True)

    def seen(self, name):
        with open(os.path.join(self.root, name)) as f:
            return f.read()

    def test_cold_and_warm_boots(self):
        inf = os.path.join(self.root, "FlashFX Disk", "Startup", "QXCopy", "QXCopy.inf")
        with open(inf) as f:
            self.assertTrue(all(l.startswith(";") for l in f.read().splitlines()))
        with open(os.path.join(self.root, "Temp", "left-over"), "w"):
            pass
        run = self.boot("cold")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(self.seen("seen-counter"), "01000000")
        self.assertEqual(self.seen("seen-temp").split(), ["qxinit.log"])
        # The programs' debug output goes to the log in the device root.
        self.assertIn("Cold reset", self.seen("celvane.log"))

        with open(os.path.join(self.root, "Temp", "kept"), "w"):
            pass
        run = self.boot("warm")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(self.seen("seen-counter"), "02000000")
        self.assertEqual(self.seen("seen-temp").split(), ["kept", "qxinit.log"])

        run = self.boot("cold")
        self.assertEqual(self.seen("seen-counter"), "01000000")

    def test_a_start_beside_a_running_instance_touches_nothing(self):
        # A running instance holds its lock; the stand-in main program notes
        # that it was started, the refusal being the program's own.
        temp_file = os.path.join(self.root, "Temp", "running")
        with open(temp_file, "w"):
            pass
        log = os.path.join(self.root, "celvane.log")
        with open(log, "w") as f:
            f.write("the running instance's log\n")
        lock = os.path.join(self.root, "run", "SpectrumAnalyzer.lock")
        os.makedirs(os.path.dirname(lock), exist_ok=True)
        holder = subprocess.Popen(["flock", lock, "sh", "-c", "read line"],
                                  stdin=subprocess.PIPE, text=True)
        try:
            self.wait_until_held(lock)
            run = self.boot("cold")
        finally:
            holder.communicate("\n")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertTrue(os.path.exists(temp_file))
        self.assertEqual(self.seen("celvane.log"), "the running instance's log\n")
        self.assertEqual(self.seen("seen-temp").split(), ["running"])

    @staticmethod
    def wait_until_held(lock):
        while subprocess.run(["flock", "-n", lock, "true"]).returncode == 0:
            time.sleep(0.01)

    def test_script_kept_and_bad_boot_kind(self):
        inf = os.path.join(self.root, "FlashFX Disk", "Startup", "QXCopy", "QXCopy.inf")
        with open(inf, "w") as f:
            f.write("<a> <\\b\\>\n")
        subprocess.run([os.path.join(SCRIPTS, "make-device-root"), self.bin, self.root],
                       check=True)
        with open(inf) as f:
            self.assertEqual(f.read(), "<a> <\\b\\>\n")
        run = self.boot("lukewarm")
        self.assertEqual(run.returncode, 2)
        self.assertIn("BOOT must be cold or warm", run.stderr)


    def test_unwritable_root_is_said_in_one_line(self):
        # The superuser writes anywhere: the boot runs as nobody instead.
        as_user = []
        if os.geteuid() == 0:
            if not shutil.which("setpriv"):
                self.skipTest("running as the superuser without setpriv")
            as_user = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        os.chmod(self.work, 0o755)
        os.chmod(self.root, 0o555)
        try:
            run = subprocess.run(as_user + [os.path.join(SCRIPTS, "run-instrument"), self.bin,
                                            self.root, "--display", "headless"],
                                 capture_output=True, text=True)
        finally:
            os.chmod(self.root, 0o755)
        self.assertEqual(run.returncode, 1, run.stderr)
        self.assertEqual(run.stderr.splitlines(),
                         ['celvane: the device root "%s" cannot be written' % self.root])

if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
