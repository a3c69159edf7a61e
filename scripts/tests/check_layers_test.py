#!/usr/bin/env python3
"""The layer check on a copy of the tree: the copy as it stands passes, and
each forbidden arrow planted into it makes the check fail and name it.

usage: check_layers_test.py CHECK_LAYERS TREE"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

CHECK, TREE = sys.argv[1], sys.argv[2]
SOURCES = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc")


def copy_sources(tree, to):
    for folder, dirs, files in os.walk(tree):
        rel = os.path.relpath(folder, tree)
        dirs[:] = [d for d in dirs if not d.startswith(".") and
                   not (rel == "." and d.startswith("build"))]
        for name in files:
            if name.endswith(SOURCES):
                os.makedirs(os.path.join(to, rel), exist_ok=True)
                shutil.copy2(os.path.join(folder, name), os.path.join(to, rel, name))


def run(tree):
    return subprocess.run([sys.executable, CHECK, tree], capture_output=True, text=True)


class CheckLayers(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="check-layers-")
        copy_sources(TREE, self.tmp)

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def plant(self, rel, include):
        path = os.path.join(self.tmp, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "a", encoding="utf-8") as f:
            f.write(f'\n#include "{include}"\n')

    def test_the_tree_as_it_stands_passes(self):
        result = run(self.tmp)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_arrows_against_the_table_fail(self):
        cases = [
            ("core/text.cpp", "app/celvane_app.h", "core may not include app/celvane_app.h"),
            ("instrument/measurement.cpp", "screens/mode_base.h",
             "instrument may not include screens/mode_base.h"),
            ("app/main.cpp", "sim/board_factory.h", "app may not include sim/board_factory.h"),
            ("drivers/dsp/entry.cpp", "core/text.h", "drivers/dsp may not include core/text.h"),
            ("core/tests/units_test.cpp", "app/tests/app_test_support.h",
             "core may not include app/tests/app_test_support.h"),
            ("screens/mode_base.cpp", "language/language_abi.h",
             "screens may not include language/language_abi.h"),
            ("language/language_library.cpp", "core/res_string.h",
             "language may not include core/res_string.h"),
        ]
        for rel, include, message in cases:
            with self.subTest(rel=rel, include=include):
                shutil.rmtree(self.tmp)
                os.makedirs(self.tmp)
                copy_sources(TREE, self.tmp)
                self.plant(rel, include)
                result = run(self.tmp)
                self.assertEqual(result.returncode, 1, result.stdout)
                self.assertIn(message, result.stdout)
                self.assertEqual(result.stdout.count("may not include"), 1, result.stdout)

    def test_allowed_arrows_pass(self):
        for rel, include in [("app/main.cpp", "platform/kernel/clock.h"),
                             ("sim/power.cpp", "drivers/dsp/dsp_protocol.h"),
                             ("instrument/tests/dsp_link_test.cpp", "sim/scene.h"),
                             ("screens/mode_base.cpp", "instrument/measurement_screen.h"),
                             ("app/startup.cpp", "language/language_abi.h")]:
            self.plant(rel, include)
        result = run(self.tmp)
        self.assertEqual(result.returncode, 0, result.stdout)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
