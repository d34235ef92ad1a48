# SPDX-License-Identifier: MIT
"""The npm package of the Node program, made by the web build: installed from its tarball
into an empty folder, its `panelbake` command converts the sample like the tested build."""
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from glcd_support import converter_command

SOURCE_DIR = Path(os.environ.get("PANELBAKE_SOURCE_DIR", "."))
BINARY_DIR = Path(os.environ.get("PANELBAKE_BINARY_DIR", "."))
WEB = os.environ.get("PANELBAKE_PLATFORM") == "Emscripten"


@unittest.skipUnless(WEB, "the web build makes the npm package")
class NpmPackage(unittest.TestCase):
    def test_installed_command_converts_the_sample_like_the_tested_build(self):
        tarballs = list(BINARY_DIR.glob("panelbake-*.tgz"))
        self.assertEqual(len(tarballs), 1, tarballs)
        with tempfile.TemporaryDirectory(prefix="panelbake-npm-") as scratch:
            scratch = Path(scratch)
            subprocess.run(["npm", "install", "--offline", "--no-audit", "--no-fund", "--prefix", scratch / "app",
                            tarballs[0]], check=True, capture_output=True)
            installed = [str(scratch / "app/node_modules/.bin/panelbake")]
            outputs = [self.convert(command, scratch / name)
                       for name, command in (("installed", installed), ("tested", converter_command()))]
            # The second command: a PNG prepared like the tested build prepares it.
            prepare = [str(scratch / "app/node_modules/.bin/panelbake-prepare")]
            tested = converter_command(program=os.environ["PANELBAKE_PREPARE"])
            prepared = [self.prepare(command, scratch / ("prepare-" + name))
                        for name, command in (("installed", prepare), ("tested", tested))]
        self.assertEqual(outputs[0][0], 0, outputs[0][2])
        self.assertEqual(outputs[0], outputs[1])
        self.assertEqual(prepared[0][0], 0, prepared[0][2])
        self.assertEqual(prepared[0], prepared[1])

    @staticmethod
    def prepare(command, folder):
        folder.mkdir()
        shutil.copy(SOURCE_DIR / "docs/sample.png", folder / "logo.png")
        run = subprocess.run([*command, "logo.png"], cwd=folder, capture_output=True)
        return run.returncode, run.stdout, run.stderr, (folder / "logo.bmp").read_bytes()

    @staticmethod
    def convert(command, folder):
        folder.mkdir()
        shutil.copy(SOURCE_DIR / "examples/landscape.bmp", folder / "logo.bmp")
        run = subprocess.run([*command, "logo.bmp", "-h", "64", "-pgm", "-v"], cwd=folder, capture_output=True)
        return (run.returncode, run.stdout, run.stderr, (folder / "logo_glcd.h").read_bytes(),
                (folder / "logo_glcd.bmp").read_bytes())


if __name__ == "__main__":
    unittest.main()
