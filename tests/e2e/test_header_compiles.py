# SPDX-License-Identifier: MIT
"""The generated header used the way firmware uses it: compiled and read back."""
import os
import shutil
import subprocess
import unittest

from glcd_support import TempDirTest, bmp24, page_columns, pattern, pillow_black

SOURCE = "my-dir.v1/art-work.2/8-bit.logo.bmp"
HEADER_DIR = "my-dir.v1/art-work.2"
HEADER = "8_bit.logo_glcd.h"
PREVIEW = "my-dir.v1/art-work.2/8_bit.logo_glcd.bmp"

HOST_PROGRAM = """\
#include <stdio.h>
#include "8_bit.logo_glcd.h"
#include "8_bit.logo_glcd.h" /* the include guard makes this harmless */

int main(void)
{
    size_t i;
    printf("%d %d\\n", _8_BIT_LOGO_GLCD_WIDTH, _8_BIT_LOGO_GLCD_HEIGHT);
    for (i = 0; i < sizeof _8_bit_logo_glcd_bmp; ++i)
        printf("%d\\n", (unsigned char)_8_bit_logo_glcd_bmp[i]);
    return 0;
}
"""

# Included as firmware includes it: avr-gcc accepts program-memory data only when it is const.
AVR_PROGRAM = """\
#include <avr/pgmspace.h>
#include "8_bit.logo_glcd.h"

unsigned char pixelColumn(unsigned int i)
{
    return pgm_read_byte(&_8_bit_logo_glcd_bmp[i]);
}
"""

# C++ reads the array's initialisers as narrowing when char is signed; these are the ways
# a C++ program gets at the bytes all the same.
CXX_PROGRAM = '#include "8_bit.logo_glcd.h"\nint first() { return _8_bit_logo_glcd_bmp[0]; }\n'
C_WRAPPER = '#include "8_bit.logo_glcd.h"\nconst char *logo_bytes(void) { return _8_bit_logo_glcd_bmp; }\n'
CXX_CALLER = """\
#include <cstdio>
extern "C" const char *logo_bytes(void);
int main()
{
    for (int i = 0; i < 50 * 3; ++i)
        std::printf("%d\\n", static_cast<unsigned char>(logo_bytes()[i]));
}
"""

PIC30_PROGRAM = '#include "8_bit.logo_glcd.h"\nconst unsigned char *first = _8_bit_logo_glcd_bmp;\n'


class HeaderCompiles(TempDirTest):
    def convert(self, *options):
        self.write(SOURCE, bmp24(pattern(50, 21)))
        r = self.run_tool(SOURCE, *options)
        self.assertEqual((r.code, r.err), (0, ""))
        return page_columns(pillow_black(self.path(PREVIEW)))

    def compile(self, compiler, program, *flags, name="client.c"):
        source = self.write(name, program.encode())
        result = subprocess.run([compiler, *flags, "-I", self.path(HEADER_DIR), source],
                                cwd=self.dir, capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stderr)

    def test_plain_array_with_host_compiler(self):
        expected = self.convert()
        self.compile("gcc", HOST_PROGRAM, "-std=c99", "-Wall", "-Werror", "-o", "client")
        out = subprocess.run([self.path("client")], capture_output=True, text=True, check=True).stdout.split()
        self.assertEqual(out[:2], ["50", "21"])
        self.assertEqual([int(v) for v in out[2:]], expected)

    @unittest.skipUnless(shutil.which("avr-gcc"), "avr-gcc is not installed")
    def test_program_memory_array_with_avr_compiler(self):
        expected = self.convert("-pgm")
        self.compile("avr-gcc", AVR_PROGRAM, "-mmcu=atmega328p", "-std=c99", "-Wall", "-Werror", "-Os",
                     "-c", "-o", "client.o")
        subprocess.run(["avr-objcopy", "-O", "binary", "-j", ".progmem.data", "client.o", "flash.bin"],
                       cwd=self.dir, check=True)
        self.assertEqual(list(self.read("flash.bin")), expected)

    def test_cxx_ways_to_the_plain_array(self):
        expected = self.convert()
        self.assertGreaterEqual(max(expected), 0x80)  # bytes that do not fit a signed char
        result = subprocess.run(["g++", "-std=c++17", "-fsyntax-only", "-I", self.path(HEADER_DIR), "-x", "c++", "-"],
                                input=CXX_PROGRAM, capture_output=True, text=True)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("narrowing conversion", result.stderr)

        self.compile("g++", CXX_PROGRAM, "-std=c++17", "-funsigned-char", "-Wall", "-Werror", "-fsyntax-only",
                     name="unsigned.cpp")
        # The header compiled as C, its bytes reached from C++.
        self.compile("gcc", C_WRAPPER, "-std=c99", "-Wall", "-Werror", "-c", "-o", "logo.o", name="logo.c")
        self.compile("g++", CXX_CALLER, "-std=c++17", "-Wall", "-Werror", "logo.o", "-o", "mixed", name="main.cpp")
        out = subprocess.run([self.path("mixed")], capture_output=True, text=True, check=True).stdout.split()
        self.assertEqual([int(v) for v in out], expected)

    def test_cxx_takes_the_program_memory_array(self):
        self.convert("-pgm")
        self.compile("g++", CXX_PROGRAM, "-std=c++17", "-Wall", "-Werror", "-Wno-attributes", "-fsyntax-only",
                     name="host.cpp")
        if shutil.which("avr-g++"):
            self.compile("avr-g++", "#include <avr/pgmspace.h>\n" + CXX_PROGRAM, "-mmcu=atmega328p", "-std=c++17",
                         "-Wall", "-Werror", "-fsyntax-only", name="sketch.cpp")

    def test_auto_psv_array_syntax(self):
        self.convert("-pic30")
        # The host compiler does not know the space attribute; it checks everything else.
        self.compile("gcc", PIC30_PROGRAM, "-std=c99", "-Wall", "-Werror", "-Wno-attributes", "-fsyntax-only")


if __name__ == "__main__":
    unittest.main()
