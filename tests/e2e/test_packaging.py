# SPDX-License-Identifier: MIT
"""Install, Debian package, CMake package and Make rule, from a fresh build of the tree.

The build configured here is a Release build of its own in a temporary directory, so
the test does not depend on how the tree under test was configured.
"""
import gzip
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from PIL import Image

from glcd_support import EMULATED

SOURCE_DIR = Path(os.environ["PANELBAKE_SOURCE_DIR"])
PANELBAKE = Path(os.environ["PANELBAKE"])
SAMPLE = SOURCE_DIR / "examples" / "landscape.bmp"
USAGE_EXIT = 254  # -2 as the shell sees it


def run(command, cwd=None, **kwargs):
    """Runs a command; on failure the assertion shows its output."""
    result = subprocess.run([str(c) for c in command], cwd=cwd, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(map(str, command))} exited with {result.returncode}\n"
                             f"{result.stdout}\n{result.stderr}")
    return result


def page_column_bytes(preview):
    """The header's bytes worked out from a preview BMP: pages of 8 rows from the top,
    a byte per column, bit 0 the top row, 1 for black."""
    with Image.open(preview) as image:
        rgb = image.convert("RGB")
    width, height = rgb.size
    pixels = rgb.load()
    data = bytearray()
    for top in range(0, height, 8):
        for x in range(width):
            data.append(sum(1 << bit for bit in range(min(8, height - top)) if pixels[x, top + bit][1] == 0))
    return bytes(data)


def header_bytes(header):
    text = Path(header).read_text()
    return bytes(int(h, 16) for h in re.findall(r"0x([0-9a-f]{2})", text.split("[]={", 1)[1]))


def header_macro(header, name):
    return int(re.search(rf"#define \w+_{name} +(\d+)", Path(header).read_text()).group(1))


@unittest.skipIf(EMULATED, "packages are built and tested natively; a cross build has its own package test")
class PackagingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="panelbake-packaging-"))
        cls.build = cls.scratch / "build"
        cls.prefix = cls.scratch / "prefix"
        run(["cmake", "-S", SOURCE_DIR, "-B", cls.build, "-DCMAKE_BUILD_TYPE=Release",
             "-DPANELBAKE_BUILD_TESTS=OFF"])
        run(["cmake", "--build", cls.build, "-j2"])
        run(["cmake", "--install", cls.build, "--prefix", cls.prefix])

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def workdir(self, name):
        path = self.scratch / name
        shutil.rmtree(path, ignore_errors=True)
        path.mkdir()
        return path

    def assert_converts_like_the_tested_build(self, converter):
        """The converter turns the sample into the same preview and header as the build under test."""
        outputs = []
        for label, program in (("installed", converter), ("tested", PANELBAKE)):
            directory = self.workdir(f"compare-{label}")
            shutil.copy(SAMPLE, directory)
            run([program, SAMPLE.name, "-h", "64", "-pgm"], cwd=directory)
            outputs.append([(directory / name).read_bytes() for name in ("landscape_glcd.h", "landscape_glcd.bmp")])
        self.assertEqual(outputs[0], outputs[1])
        self.assertIn(b"#define LANDSCAPE_GLCD_WIDTH  128 ", outputs[0][0])

    def test_install_puts_binary_man_page_and_cmake_package_in_place(self):
        expected = ["bin/panelbake", "share/man/man1/panelbake.1.gz", "lib/cmake/panelbake/panelbake-config.cmake",
                    "bin/panelbake-prepare", "share/man/man1/panelbake-prepare.1.gz",
                    "lib/cmake/panelbake/panelbake-config-version.cmake",
                    "lib/cmake/panelbake/panelbake-add-image.cmake",
                    "share/doc/panelbake/copyright", "share/doc/panelbake/changelog.gz"]
        installed = sorted(str(p.relative_to(self.prefix)) for p in self.prefix.rglob("*") if p.is_file())
        self.assertEqual(sorted(expected), installed)
        self.assertTrue(os.access(self.prefix / "bin/panelbake", os.X_OK))
        for program in ("panelbake", "panelbake-prepare"):
            self.assertEqual((SOURCE_DIR / f"man/{program}.1").read_bytes(),
                             gzip.decompress((self.prefix / f"share/man/man1/{program}.1.gz").read_bytes()))
        # The licence travels with the program: its whole text is in the copyright file.
        copyright_text = (self.prefix / "share/doc/panelbake/copyright").read_text()
        licence = (SOURCE_DIR / "LICENSE").read_text().split("\n\n", 2)[2]
        self.assertIn("License: MIT\n", copyright_text)
        self.assertEqual(licence.split(), copyright_text.split("License: MIT\n", 1)[1].replace(" .\n", "").split())
        self.assert_converts_like_the_tested_build(self.prefix / "bin/panelbake")

    def test_debian_package_unpacks_and_runs(self):
        output = self.workdir("deb")
        run(["cpack", "-G", "DEB", "-B", output], cwd=self.build)
        packages = list(output.glob("panelbake_*.deb"))
        self.assertEqual(1, len(packages), list(output.iterdir()))
        package = packages[0]

        fields = {}
        for field in ("Package", "Version", "Section", "Maintainer", "Depends", "Description"):
            fields[field] = run(["dpkg-deb", "-f", package, field]).stdout.strip()
        self.assertEqual("panelbake", fields["Package"])
        self.assertRegex(fields["Version"], r"^\d+\.\d+\.\d+$")
        self.assertEqual("devel", fields["Section"])
        self.assertRegex(fields["Maintainer"], r"^.+ <[^ ]+@[^ ]+>$")
        self.assertTrue(fields["Description"])
        self.assert_dependencies_installed(fields["Depends"])

        contents = run(["dpkg-deb", "-c", package]).stdout
        for path in ("./usr/bin/panelbake", "./usr/share/man/man1/panelbake.1.gz", "./usr/bin/panelbake-prepare",
                     "./usr/share/man/man1/panelbake-prepare.1.gz",
                     "./usr/lib/cmake/panelbake/panelbake-config.cmake", "./usr/share/doc/panelbake/copyright"):
            self.assertIn(path, contents)
        self.assert_lintian_silent(package)

        root = self.workdir("deb-root")
        run(["dpkg", "-x", package, root])
        self.assert_converts_like_the_tested_build(root / "usr/bin/panelbake")
        self.assertEqual(USAGE_EXIT, subprocess.run([root / "usr/bin/panelbake"], capture_output=True).returncode)
        self.assertEqual(0, subprocess.run([root / "usr/bin/panelbake-prepare", "--help"], capture_output=True).returncode)

    def assert_lintian_silent(self, package):
        """Debian's own checker finds no error and no warning in the package."""
        if not shutil.which("lintian"):
            print("lintian is not installed (apt-get install lintian): package check skipped")
            return
        result = subprocess.run(["lintian", "--fail-on", "error,warning", package], capture_output=True, text=True)
        findings = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
        self.assertEqual(([], 0), (findings, result.returncode), result.stdout + result.stderr)

    def assert_dependencies_installed(self, depends):
        """Every dependency names a package installed here in a version that satisfies it,
        which is what installing the package on a fresh machine of this release needs."""
        names = []
        for clause in depends.split(","):
            alternatives = [a.strip() for a in clause.split("|")]
            self.assertTrue(any(self.dependency_satisfied(a) for a in alternatives), f"unsatisfied: {clause}")
            names += [re.match(r"[^ (]+", a).group(0) for a in alternatives]
        self.assertIn("libc6", names)
        self.assertIn("libstdc++6", names)

    @staticmethod
    def dependency_satisfied(dependency):
        match = re.fullmatch(r"([^ (]+)(?: \((<<|<=|=|>=|>>) ([^)]+)\))?", dependency)
        name, relation, version = match.groups()
        status = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", name], capture_output=True, text=True)
        if status.returncode != 0 or not status.stdout:
            return False
        if relation is None:
            return True
        operator = {"<<": "lt", "<=": "le", "=": "eq", ">=": "ge", ">>": "gt"}[relation]
        return subprocess.run(["dpkg", "--compare-versions", status.stdout, operator, version]).returncode == 0

    def test_cmake_package_regenerates_the_header_only_when_picture_or_options_change(self):
        project = self.workdir("consumer")
        pictures = project / "pictures"
        pictures.mkdir()
        picture = pictures / "sample-landscape.bmp"
        shutil.copy(SAMPLE, picture)
        build = project / "build"
        image_dir = build / "panelbake/check_picture/sample_landscape_glcd"
        header = image_dir / "sample_landscape_glcd.h"
        preview = image_dir / "sample_landscape_glcd.bmp"

        def configure(*definitions):
            run(["cmake", "-S", SOURCE_DIR / "tests/consumer", "-B", build, f"-DCMAKE_PREFIX_PATH={self.prefix}",
                 f"-DPICTURE={picture}", *definitions])

        def build_converts():
            """Builds; tells whether the converter ran."""
            output = run(["cmake", "--build", build]).stdout
            return "Converting sample-landscape.bmp" in output

        def check_program(width, height):
            expected = page_column_bytes(preview)
            self.assertEqual(expected, header_bytes(header))
            result = run([build / "check_picture"], input=expected.hex())
            self.assertEqual(f"{width} x {height}\n{len(expected)} bytes match\n", result.stdout)
            return expected

        configure()
        self.assertTrue(build_converts())
        first = check_program(128, 64)
        self.assertEqual(["sample-landscape.bmp"], [p.name for p in pictures.iterdir()],
                         "outputs must not land in the source tree")

        stamp = header.stat().st_mtime_ns
        self.assertFalse(build_converts())
        self.assertEqual(stamp, header.stat().st_mtime_ns)

        with Image.open(SAMPLE) as image:
            image.transpose(Image.FLIP_LEFT_RIGHT).save(picture, "BMP")
        self.assertTrue(build_converts())
        self.assertNotEqual(first, check_program(128, 64))
        self.assertFalse(build_converts())

        configure("-DPICTURE_HEIGHT=32")
        self.assertTrue(build_converts())
        check_program(64, 32)
        self.assertEqual(32, header_macro(header, "HEIGHT"))
        configure("-DPICTURE_HEIGHT=32")
        self.assertFalse(build_converts())

    def test_cmake_package_and_make_example_take_a_png_through_panelbake_prepare(self):
        project = self.workdir("consumer-png")
        pictures = project / "pictures"
        pictures.mkdir()
        with Image.open(SAMPLE) as image:
            image.save(pictures / "sample-landscape.png")
        build = project / "build"
        run(["cmake", "-S", SOURCE_DIR / "tests/consumer", "-B", build, f"-DCMAKE_PREFIX_PATH={self.prefix}",
             f"-DPICTURE={pictures / 'sample-landscape.png'}"])
        self.assertIn("Converting sample-landscape.png", run(["cmake", "--build", build]).stdout)
        image_dir = build / "panelbake/check_picture/sample_landscape_glcd"
        expected = page_column_bytes(image_dir / "sample_landscape_glcd.bmp")
        result = run([build / "check_picture"], input=expected.hex())
        self.assertEqual(f"128 x 64\n{len(expected)} bytes match\n", result.stdout)
        self.assertEqual(["sample-landscape.png"], [p.name for p in pictures.iterdir()])

        make = self.workdir("make-png")
        (make / "pictures").mkdir()
        shutil.copy(pictures / "sample-landscape.png", make / "pictures/landscape.png")
        command = ["make", "-f", SOURCE_DIR / "examples/Makefile.example", f"PANELBAKE={self.prefix / 'bin/panelbake'}",
                   f"PANELBAKE_PREPARE={self.prefix / 'bin/panelbake-prepare'}", "PANELBAKE_FLAGS=-h 64"]
        self.assertIn("panelbake-prepare pictures/landscape.png", run(command, cwd=make).stdout)
        self.assertEqual(header_bytes(image_dir / "sample_landscape_glcd.h"),
                         header_bytes(make / "build/pictures/landscape_glcd.h"))
        self.assertNotIn("panelbake", run(command, cwd=make).stdout)

    def test_cmake_function_rejects_misuse_at_configure_time(self):
        cases = [
            ("both attributes", "panelbake_add_image(app logo.bmp PROGMEM PIC30)", "PROGMEM or PIC30"),
            ("size not a number", "panelbake_add_image(app logo.bmp HEIGHT 6x4)", "HEIGHT must be a positive"),
            ("zero size", "panelbake_add_image(app logo.bmp WIDTH 0)", "WIDTH must be a positive"),
            ("unknown argument", "panelbake_add_image(app logo.bmp SIZE 64)", "unknown arguments: SIZE;64"),
            ("no such target", "panelbake_add_image(other logo.bmp)", "other is not a target"),
            ("same header twice", "panelbake_add_image(app logo.bmp)\npanelbake_add_image(app a/logo.bmp)",
             "already has a picture that gives logo_glcd.h"),
        ]
        for name, call, message in cases:
            with self.subTest(name):
                project = self.workdir("misuse")
                (project / "CMakeLists.txt").write_text(
                    "cmake_minimum_required(VERSION 3.25)\nproject(misuse LANGUAGES NONE)\n"
                    "find_package(panelbake REQUIRED)\nadd_custom_target(app)\n" + call + "\n")
                result = subprocess.run(["cmake", "-S", project, "-B", project / "build",
                                         f"-DCMAKE_PREFIX_PATH={self.prefix}"], capture_output=True, text=True)
                self.assertNotEqual(0, result.returncode)
                self.assertIn(message, " ".join(result.stderr.split()))

    def test_make_pattern_rule_follows_picture_and_flags(self):
        project = self.workdir("make")
        (project / "pictures").mkdir()
        picture = project / "pictures/landscape.bmp"
        shutil.copy(SAMPLE, picture)
        header = project / "build/pictures/landscape_glcd.h"

        def make(flags):
            """Runs make; tells whether the converter ran."""
            output = run(["make", "-f", SOURCE_DIR / "examples/Makefile.example",
                          f"PANELBAKE={self.prefix / 'bin/panelbake'}", f"PANELBAKE_FLAGS={flags}"], cwd=project)
            return "panelbake build/pictures/landscape.bmp" in output.stdout

        self.assertTrue(make("-h 64 -pgm"))
        self.assertIn("__attribute__ ((progmem))", header.read_text())
        self.assertEqual(64, header_macro(header, "HEIGHT"))
        self.assertFalse(make("-h 64 -pgm"))
        self.assertTrue(make("-h 32"))
        self.assertEqual(32, header_macro(header, "HEIGHT"))
        self.assertFalse(make("-h 32"))
        os.utime(picture, ns=(header.stat().st_mtime_ns + 10**9,) * 2)
        self.assertTrue(make("-h 32"))
        self.assertEqual(["landscape.bmp"], [p.name for p in (project / "pictures").iterdir()])


@unittest.skipIf(EMULATED, "a build of the tree is configured natively")
class WithoutTheDecodersTest(unittest.TestCase):
    """A machine without Debian's libstb-dev (its folder hidden from CMake) builds and installs
    panelbake alone, and says what it left out; asked for, panelbake-prepare is an error."""

    def configure(self, build, *options):
        return subprocess.run(["cmake", "-S", SOURCE_DIR, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                               "-DCMAKE_IGNORE_PATH=/usr/include/stb", *options], capture_output=True, text=True)

    def test_panelbake_alone_is_built_and_installed(self):
        with tempfile.TemporaryDirectory(prefix="panelbake-no-stb-") as scratch:
            build, prefix = Path(scratch) / "build", Path(scratch) / "prefix"
            configured = self.configure(build)
            self.assertEqual(0, configured.returncode, configured.stderr)
            said = " ".join(configured.stderr.split())
            self.assertIn("panelbake-prepare is left out: stb_image.h was not found in /usr/include/stb. "
                          "Debian's libstb-dev brings it (apt-get install libstb-dev). panelbake is built.", said)
            self.assertIn("The tests are left out: they need panelbake-prepare", said)
            run(["cmake", "--build", build, "-j2"])
            run(["cmake", "--install", build, "--prefix", prefix])
            installed = sorted(str(p.relative_to(prefix)) for p in prefix.rglob("*") if p.is_file())
            self.assertIn("bin/panelbake", installed)
            self.assertEqual([], [name for name in installed if "prepare" in name])

    def test_asked_for_it_is_an_error(self):
        with tempfile.TemporaryDirectory(prefix="panelbake-no-stb-") as scratch:
            configured = self.configure(Path(scratch) / "build", "-DPANELBAKE_PREPARE=ON")
            self.assertNotEqual(0, configured.returncode)
            self.assertIn("install Debian's libstb-dev", " ".join(configured.stderr.split()))


if __name__ == "__main__":
    unittest.main()
