# SPDX-License-Identifier: MIT
"""The man page renders cleanly and covers the program; the README pictures are current."""
import os
import re
import subprocess
import tempfile
import unittest
from pathlib import Path

from PIL import Image, ImageChops

from glcd_support import EMULATED, converter_command

SOURCE_DIR = Path(os.environ["PANELBAKE_SOURCE_DIR"])
PANELBAKE = os.environ["PANELBAKE"]
MAN_PAGE = SOURCE_DIR / "man" / "panelbake.1"


def render_man_page():
    return subprocess.run(["groff", "-man", "-Tutf8", "-ww", MAN_PAGE], capture_output=True,
                          env=dict(os.environ, LC_ALL="C.UTF-8"))


class ManPageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        result = render_man_page()
        cls.warnings = result.stderr.decode()
        # Bold and underline are overstrikes in groff's terminal output.
        cls.text = re.sub(r".\x08", "", result.stdout.decode())

    def under_heading(self, title):
        # The text under a heading runs to the next heading of either level.
        match = re.search(rf"^{title}\n(.*?)(?=^(?:[A-Z][A-Z -]+| {{3}}\S.*)\n)", self.text, re.S | re.M)
        self.assertIsNotNone(match, f"no heading {title}")
        return match.group(1)

    def test_renders_without_warnings(self):
        self.assertEqual("", self.warnings)
        for title in ("NAME", "SYNOPSIS", "OPTIONS", "OUTPUT FILES", "PAGE-COLUMN LAYOUT", "EXIT STATUS",
                      "EXAMPLES"):
            self.under_heading(title)

    def test_describes_every_option_of_the_usage_text(self):
        usage = subprocess.run(converter_command(), capture_output=True, text=True).stdout
        options = re.findall(r"^\t(-\w+)", usage, re.M)
        self.assertEqual(["-h", "-w", "-v", "-pgm", "-pic30"], options)
        described = re.findall(r"^ {7}(-\w+)", self.under_heading("OPTIONS"), re.M)
        self.assertEqual(options, described)

    def test_names_every_exit_code_and_error_message(self):
        statuses = re.findall(r"^ {7}(\d+)", self.under_heading("EXIT STATUS"), re.M)
        self.assertEqual(["0", "255", "254"], statuses)
        text = " ".join(self.text.split())
        for message in ['Error: source file "PATH" can not be openend', 'Error opening file "PATH"',
                        'Error: source file "PATH" is not a supported BMP file', "Error on creating preview file",
                        "Error on creating header file", 'Error: not enough memory to convert "PATH"',
                        "Error: target size is too large"]:
            self.assertIn(message, text)

    def test_version_matches_the_project(self):
        project = re.search(r"project\(panelbake VERSION ([\d.]+)", (SOURCE_DIR / "CMakeLists.txt").read_text())
        self.assertIn(f'"panelbake {project.group(1)}"', MAN_PAGE.read_text().splitlines()[0])


class LicenceTest(unittest.TestCase):
    SOURCE_SUFFIXES = (".cpp", ".h", ".c", ".py", ".cmake", ".in", ".sh", ".1")

    def test_every_source_file_names_its_licence(self):
        """Each source file carries the SPDX line near its top (after a #! line)."""
        if not (SOURCE_DIR / ".git").exists():
            self.skipTest("not a git checkout")
        tracked = subprocess.run(["git", "ls-files"], cwd=SOURCE_DIR, capture_output=True, text=True,
                                 check=True).stdout.splitlines()
        missing = []
        for name in tracked:
            path = SOURCE_DIR / name
            if name.startswith(("fuzz/corpus/", "tests/crashers/")) or not path.is_file():
                continue
            head = path.read_bytes()[:300]
            if not (name.endswith(self.SOURCE_SUFFIXES) or path.name in ("CMakeLists.txt", "Makefile.example")
                    or head.startswith(b"#!")):
                continue
            if b"SPDX-License-Identifier: MIT\n" not in b"\n".join(head.split(b"\n")[:2]) + b"\n":
                missing.append(name)
        self.assertEqual([], missing)
        self.assertTrue((SOURCE_DIR / "LICENSE").read_text().startswith("MIT License\n"))


@unittest.skipIf(EMULATED, "the pictures are drawn with the native build")
class DocPicturesTest(unittest.TestCase):
    def test_committed_pictures_match_what_the_script_draws_now(self):
        with tempfile.TemporaryDirectory() as output:
            subprocess.run(["/usr/bin/python3", SOURCE_DIR / "docs/make-pictures", "--converter", PANELBAKE,
                            "--prepare", os.environ["PANELBAKE_PREPARE"], "--output-dir", output], check=True)
            # The panels' picture needs python3-skimage's photo; without it the script leaves it out.
            panels = ("panels.png",) if (Path(output) / "panels.png").exists() else ()
            for name in ("sample.png", "page-byte.png", "dithered.png") + panels:
                with self.subTest(name), Image.open(Path(output) / name) as fresh, \
                        Image.open(SOURCE_DIR / "docs" / name) as committed:
                    self.assertEqual(fresh.size, committed.size)
                    difference = ImageChops.difference(fresh.convert("RGB"), committed.convert("RGB"))
                    self.assertIsNone(difference.getbbox(), f"docs/{name} is stale: run docs/make-pictures")


@unittest.skipIf(EMULATED, "the README is checked against the native build")
class WhichPanelTest(unittest.TestCase):
    # Each panel's layouts, and the files they write for logo.png (the acep7 halves are spectra6's).
    RUNS = [("bw", "epd", ["logo_epd.h"]), ("bwr", "adafruit,epd", ["logo_bwr.h", "logo_bwr_epd.h"]),
            ("bwyr", "rows", ["logo_bwyr.h"]),
            ("grey4", "rows,image4g,micropython", ["logo_grey4.h", "logo_grey4_image4g.h", "logo_grey4.py"]),
            ("grey16", "rows,ssd1327,grayscale,micropython", ["logo_grey16.h", "logo_grey16_ssd1327.h",
                                                              "logo_grey16_grayscale.h", "logo_grey16.py"]),
            ("acep7", "rows", ["logo_acep7.h"]), ("spectra6", "rows,halves", ["logo_spectra6.h",
                                                                             "logo_spectra6_halves.h"])]

    @staticmethod
    def words(text):
        return " ".join(text.replace("/*", " ").replace("*/", " ").split())

    def test_the_sections_calls_are_those_the_files_carry(self):
        readme = (SOURCE_DIR / "README.md").read_text(encoding="utf-8")
        section = self.words(readme[readme.index("\n## Which panel?\n"):readme.index("\n## Install\n")])
        with tempfile.TemporaryDirectory() as folder:
            Image.new("RGB", (13, 7), (200, 40, 40)).save(Path(folder) / "logo.png")
            for panel, layouts, _ in self.RUNS:
                subprocess.run([os.environ["PANELBAKE_PREPARE"], "logo.png", "--panel", panel, "--for", layouts,
                                "-pgm"], cwd=folder, check=True)
            for name in (name for _, _, names in self.RUNS for name in names):
                text = (Path(folder) / name).read_text()
                # The call is the comment's last paragraph, each line indented by three spaces.
                comment = text[:text.index("*/")] if name.endswith(".h") else text[:text.index("import framebuf")]
                calls = re.findall(r"^(?: \*|#)   (\S.*)$", comment, re.M)
                self.assertTrue(calls, name)
                for call in calls:
                    with self.subTest(file=name, call=call):
                        self.assertTrue(self.words(call) in section, f"README's Which panel? lacks {call}")


if __name__ == "__main__":
    unittest.main()
