# SPDX-License-Identifier: MIT
"""The Windows zip, made from the build under test: what it holds, that the program in it
needs only Windows' own DLLs, converts the sample like the tested build, and that its
CMake package finds the program."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest
import zipfile
from pathlib import Path

from glcd_support import WINDOWS, converter_command

SOURCE_DIR = Path(os.environ.get("PANELBAKE_SOURCE_DIR", "."))
BINARY_DIR = Path(os.environ.get("PANELBAKE_BINARY_DIR", "."))
SAMPLE = SOURCE_DIR / "examples" / "landscape.bmp"
OBJDUMP = "x86_64-w64-mingw32-objdump"
# What a program that runs on a bare Windows may import.
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll", "shell32.dll", "ws2_32.dll"}


def version():
    return re.search(r"project\(panelbake VERSION ([\d.]+)", (SOURCE_DIR / "CMakeLists.txt").read_text()).group(1)


@unittest.skipUnless(WINDOWS, "the Windows build makes the zip")
class WindowsZip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="panelbake-zip-"))
        subprocess.run(["cpack", "-G", "ZIP", "-B", cls.scratch], cwd=BINARY_DIR, check=True,
                       capture_output=True)
        cls.name = f"panelbake-{version()}-win64"
        cls.zip = cls.scratch / f"{cls.name}.zip"
        with zipfile.ZipFile(cls.zip) as archive:
            cls.names = {n for n in archive.namelist() if not n.endswith("/")}
            archive.extractall(cls.scratch)
        cls.root = cls.scratch / cls.name

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def test_holds_program_docs_and_cmake_package(self):
        expected = {"bin/panelbake.exe", "README.md", "panelbake.txt", "lib/cmake/panelbake/panelbake-config.cmake",
                    "bin/panelbake-prepare.exe", "panelbake-prepare.txt",
                    "lib/cmake/panelbake/panelbake-config-version.cmake",
                    "lib/cmake/panelbake/panelbake-add-image.cmake", "LICENSE"}
        self.assertEqual({f"{self.name}/{n}" for n in expected}, self.names)
        self.assertEqual((SOURCE_DIR / "LICENSE").read_bytes(), (self.root / "LICENSE").read_bytes())
        for manual in ("panelbake.txt", "panelbake-prepare.txt"):
            self.assertIn("EXIT STATUS", (self.root / manual).read_text())
            self.assertNotIn("\b", (self.root / manual).read_text())

    def test_program_imports_only_system_dlls_and_carries_its_version(self):
        dump = subprocess.run([OBJDUMP, "-p", self.root / "bin/panelbake.exe"], capture_output=True, text=True,
                              check=True).stdout
        imported = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
        self.assertTrue(imported)
        self.assertLessEqual(imported, SYSTEM_DLLS)
        program = (self.root / "bin/panelbake.exe").read_bytes()
        for text in ("ProductVersion", version(), "panelbake.exe"):
            self.assertIn(text.encode("utf-16-le"), program)

    def test_program_converts_the_sample_like_the_tested_build(self):
        outputs = []
        for label, program in (("zip", self.root / "bin/panelbake.exe"), ("tested", None)):
            work = self.scratch / label
            work.mkdir()
            shutil.copy(SAMPLE, work)
            subprocess.run(converter_command("landscape.bmp", "-h", "64", "-pgm", program=program), cwd=work,
                           check=True, capture_output=True)
            outputs.append([(work / n).read_bytes() for n in ("landscape_glcd.h", "landscape_glcd.bmp")])
        self.assertEqual(outputs[0], outputs[1])
        self.assertIn(b"#define LANDSCAPE_GLCD_WIDTH  128 \r\n", outputs[0][0])

    def test_cmake_package_finds_the_program(self):
        project = self.scratch / "consumer"
        project.mkdir()
        (project / "main.c").write_text("int main(void) { return 0; }\n")
        (project / "CMakeLists.txt").write_text(
            "cmake_minimum_required(VERSION 3.25)\nproject(consumer LANGUAGES C)\n"
            "find_package(panelbake 1.0 REQUIRED)\nadd_executable(app main.c)\n"
            "panelbake_add_image(app logo.bmp HEIGHT 64 PROGMEM)\n"
            "get_target_property(location panelbake::panelbake IMPORTED_LOCATION)\n"
            "message(STATUS \"program: ${location}\")\n")
        result = subprocess.run(["cmake", "-S", project, "-B", project / "build", f"-DCMAKE_PREFIX_PATH={self.root}"],
                                capture_output=True, text=True)
        self.assertEqual(0, result.returncode, result.stderr)
        location = Path(re.search(r"-- program: (.*)", result.stdout).group(1))
        self.assertEqual((self.root / "bin/panelbake.exe").resolve(), location.resolve())


if __name__ == "__main__":
    unittest.main()
