# SPDX-License-Identifier: MIT
"""The page's reading of C text (web/src/array-text.js, a module) under Node: which array is taken, which bytes it
holds, the size from the macros, and the problems said with their lines."""
import json
import os
import subprocess
import unittest
from pathlib import Path

SOURCE_DIR = Path(os.environ.get("PANELBAKE_SOURCE_DIR", Path(__file__).resolve().parents[2]))
NODE = "/usr/bin/node"

# Reads the cases ([text, choice]) as JSON from standard input and writes what parseArrayText
# made of each, its bytes as a list.
RUN_CASES = """
const cases = JSON.parse(require('fs').readFileSync(0, 'utf8'));
import(require('url').pathToFileURL(process.argv[1]).href).then(({parseArrayText}) => {
  process.stdout.write(JSON.stringify(cases.map(([text, choice]) => {
    const read = parseArrayText(text, choice === null ? undefined : choice);
    return {...read, bytes: Array.from(read.bytes)};
  })));
});
"""

# A header as panelbake writes it with -pgm, 20 x 10: two pages, the second on one line.
PANELBAKE_HEADER = """//---------------------------------------------------------------------------

//---------------------------------------------------------------------------
#ifndef _MY_LOGO_GLCD_H 
#define _MY_LOGO_GLCD_H 

#define MY_LOGO_GLCD_HEIGHT 10 
#define MY_LOGO_GLCD_WIDTH  20 
static const unsigned char __attribute__ ((progmem)) my_logo_glcd_bmp[]={
0x00, 0x00, 0x00, 0xa0, 0xc4, 0xc0, 0xc0, 0x80, 0x00, 0x80, 0xe0, 0xe0, 0xe0, 0xe0, 0xc0, 0x80, 
0x02, 0x02, 0x80, 0xc0, 
0x02, 0x02, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03
};
#endif  //define _MY_LOGO_GLCD_H 
""".replace("\n", "\r\n")  # as written on Windows

FRAMES_HEADER = """#define WALK_FRAMES_COUNT 2
#define WALK_FRAMES_WIDTH  WALK_00_GLCD_WIDTH
static const unsigned char *const walk_frames[WALK_FRAMES_COUNT] = {
    (const unsigned char *)walk_00_glcd_bmp,
    (const unsigned char *)walk_01_glcd_bmp,
};
static const unsigned long walk_frames_delay_ms[WALK_FRAMES_COUNT] = {
    100,
    200,
};
"""


def parse(*cases):
    """parseArrayText of each (text, choice) case, in one run of Node."""
    run = subprocess.run([NODE, "-e", RUN_CASES, str(SOURCE_DIR / "web" / "src" / "array-text.js")],
                         input=json.dumps(cases), capture_output=True, text=True, check=True)
    return json.loads(run.stdout)


class ArrayTextTest(unittest.TestCase):
    def check(self, cases):
        """cases: name -> (text, choice, expected fields)."""
        results = parse(*[(text, choice) for text, choice, _ in cases.values()])
        for (name, (_, _, expected)), read in zip(cases.items(), results):
            with self.subTest(name):
                self.assertEqual(expected, {key: read.get(key) for key in expected})

    def test_bytes_and_size_of_the_array_taken(self):
        header_bytes = [0x00, 0x00, 0x00, 0xa0, 0xc4, 0xc0, 0xc0, 0x80, 0x00, 0x80, 0xe0, 0xe0, 0xe0, 0xe0, 0xc0,
                        0x80, 0x02, 0x02, 0x80, 0xc0, 0x02, 0x02] + [0x03] * 18
        self.check({
            "panelbake's header: its macros, the partial page": (PANELBAKE_HEADER, None, {
                "name": "my_logo_glcd_bmp", "bytes": header_bytes, "width": 20, "height": 10,
                "widthMacro": "MY_LOGO_GLCD_WIDTH", "problems": []}),
            "every form of a byte, as C reads it": (
                "const uint8_t logo[] PROGMEM = {0x0f, 15, 017, 0b1111, B1111, 15u, 0XFFul, 0, 00};", None,
                {"name": "logo", "bytes": [15] * 6 + [255, 0, 0], "width": None, "problems": []}),
            "comments, strings and a function are no bytes": (
                '// {9, 9}\nconst char *s = "{8, 8}";\n/* uint8_t no[] = {7}; */\n'
                "int main(int argc, char *argv[]) {\n  static uint8_t in_main[] = {1, /* 6, */ 2 // 5\n  };\n}\n",
                None, {"name": "in_main", "bytes": [1, 2], "line": 5, "problems": []}),
            "braces alone": ("{0x00, 255, 0X1F}", None, {"name": "", "bytes": [0, 255, 31], "problems": []}),
            "bytes alone, a trailing comma": ("0x00, 255,\n0X1F,\n", None, {"bytes": [0, 255, 31], "problems": []}),
            "an array of arrays is read row after row": (
                "const uint8_t pages[2][3] = {{1, 2, 3}, {4, 5, 6},};", None, {"bytes": [1, 2, 3, 4, 5, 6]}),
            "declared longer: C fills zeros": (
                "#define LOGO_BYTES 6\nuint8_t logo[LOGO_BYTES] = {1, 2, 3};", None,
                {"bytes": [1, 2, 3, 0, 0, 0], "problems": [],
                 "notes": ["logo is declared with 6 bytes and initialised with 3: the other 3 are 0x00, as C fills them."]}),
        })

    def test_which_array_and_which_macros(self):
        several = ("static const int sizes[] = {1, 2};\n"   # wider numbers: not offered
                   "#define FIRST_WIDTH 2\n#define FIRST_HEIGHT 8\n#define SECOND_WIDTH 1\n"
                   "uint8_t first[] = {1, 2};\nuint8_t second[] = {3};\n")
        self.check({
            "the first array of bytes": (several, None, {
                "name": "first", "chosen": 0, "width": 2, "height": 8,
                "arrays": [{"name": "first", "line": 5, "count": 2}, {"name": "second", "line": 6, "count": 1}]}),
            "another one chosen, its own macros": (several, 1, {"name": "second", "width": 1, "height": None}),
            "a broken first array is passed over": (
                "uint8_t broken[] = {1, x};\nuint8_t good[] = {2};", None, {"name": "good", "chosen": 1}),
            "the only pair of size macros": (
                "#define IMG_WIDTH 3\n#define IMG_HEIGHT (8)\nuint8_t logo[] = {1, 2, 3};", None,
                {"width": 3, "height": 8, "heightMacro": "IMG_HEIGHT"}),
            "macros continued on the next line, CR LF": (
                "#define LOGO_WIDTH \\\r\n  3 /* columns */\r\n#define LOGO_HEIGHT \\\r\n 8\r\nuint8_t logo[] = {\r\n1, x};",
                None, {"width": 3, "height": 8, "problems": ["line 6: x is not a byte (0 to 255)"]}),
            "two pairs, neither the array's": (
                "#define A_WIDTH 3\n#define A_HEIGHT 8\n#define B_WIDTH 1\nuint8_t logo[] = {1};", None,
                {"width": None, "height": None}),
        })

    def test_problems_say_what_and_where(self):
        self.check({
            "tokens that are no bytes, on their lines": (
                "uint8_t logo[] = {\n/* two\nlines */ 1,\n256,\n-1, 0x1g,\n(uint8_t)5, 'a',\n3 4,\n5,, 6};", None, {
                    "problems": ["line 4: 256 is not a byte (0 to 255)", "line 5: -1 is not a byte (0 to 255)",
                                 "line 5: 0x1g is not a byte (0 to 255)",
                                 "line 6: (uint8_t)5 is not a byte (0 to 255)", "line 6: 'a' is not a byte (0 to 255)",
                                 'line 7: a "," is missing before 4', 'line 8: an element is missing before ","']}),
            "not closed": ("uint8_t logo[] = {1,\n2,\n", None,
                           {"problems": ['line 2: the array that opens on line 1 is not closed with "}"']}),
            "declared shorter than it is": ("uint8_t logo[2] = {1, 2, 3};", None,
                                            {"problems": ["line 1: logo is declared with 2 bytes and holds 3"]}),
            "a frames header holds no bytes": (FRAMES_HEADER, None, {
                "chosen": -1, "arrays": [],
                "problems": ["The text holds no array of bytes: walk_frames, walk_frames_delay_ms are declared as "
                             "pointers or wider numbers. A frames or table header holds no bytes itself: the headers "
                             "it includes do."]}),
            "empty": ("uint8_t logo[] = {};", None, {"problems": ["line 1: logo holds no bytes"]}),
            "many problems are counted, not all listed": (
                "{" + ", ".join(["x"] * 30) + "}", None,
                {"problems": ["line 1: x is not a byte (0 to 255)"] * 20 + ["… and 10 more"], "problemCount": 30}),
        })


if __name__ == "__main__":
    unittest.main()
