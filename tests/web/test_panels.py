# SPDX-License-Identifier: MIT
"""The Panel choice, through the page's controls in headless Chromium opened from disk: for every
panel, the panel's picture and its arrays equal what the command line the page shows writes when
run natively, and the preview shows the picture's colours; colours edited come back with the
address; the byte inspector names a pixel's value, colour, byte and bits as the native arrays hold
them; Bytes back to a picture shows a panel's arrays in its colours; axe-core finds no violation
with a panel's controls shown."""
import io
import re
import shlex
import unittest
from pathlib import Path

from PIL import Image
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select

import test_batch
from test_controls import run_command_line
from test_arrays import PASTE
from test_page import PREPARE_NATIVE, WORK, axe_violations, native, prepared_pictures, setUpModule, tearDownModule

__all__ = ["setUpModule", "tearDownModule"]

# The preview's pixels as the canvas shows them, each "rrggbb".
READ_COLOURS = """
const canvas = document.getElementById('preview');
const zoom = Number(canvas.dataset.zoom), left = Number(canvas.dataset.left);
const width = (canvas.width - left) / zoom, height = canvas.height / zoom;
const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
const rows = [];
for (let y = 0; y < height; y++) {
  const row = [];
  for (let x = 0; x < width; x++) {
    const at = 4 * ((y * zoom + (zoom >> 1)) * canvas.width + left + x * zoom + (zoom >> 1));
    row.push([0, 1, 2].map((c) => pixels[at + c].toString(16).padStart(2, '0')).join(''));
  }
  rows.push(row);
}
return rows;
"""

SIZE = ["-w", "48", "-h", "32", "--dither", "floyd-steinberg"]  # 48 x 32: two nibbles and six bits a row's end


def photo():
    """A small photo: Debian's python3-skimage's cat, as a JPEG of 96 x 64."""
    path = Path(WORK.name) / "cat.jpg"
    if not path.exists():
        with Image.open("/usr/lib/python3/dist-packages/skimage/data/chelsea.png") as cat:
            cat.convert("RGB").resize((96, 64)).save(path, quality=90)
    return path


def bmp_colours(data):
    """The rows of a panel's BMP as "rrggbb" of each pixel, and its values."""
    with Image.open(io.BytesIO(data)) as picture:
        rgb = picture.convert("RGB")
        values = [[picture.getpixel((x, y)) for x in range(picture.width)] for y in range(picture.height)]
        return [["%02x%02x%02x" % rgb.getpixel((x, y)) for x in range(rgb.width)] for y in range(rgb.height)], values


def array_bytes(header, name):
    """The bytes of the C array `name` in a header."""
    body = re.search(name + r"\[\][^{]*\{([^}]*)\}", header.decode()).group(1)
    return [int(token, 0) for token in re.findall(r"0x[0-9a-fA-F]+|\d+", body)]


class PanelsTest(unittest.TestCase):
    """Opened from disk as test_batch opens the page, with its ways of driving it."""

    locals().update({name: test_batch.BatchTest.__dict__[name] for name in (
        "setUpClass", "element", "results_shown", "wait_until_done", "link_bytes", "wait", "set_options", "choose",
        "rows")})

    def choose_panel(self, panel, layout):
        shown = self.results_shown()
        Select(self.element("panel")).select_by_value(panel)
        Select(self.element("layout")).select_by_value(layout)
        self.browser.execute_script("arguments[0].dispatchEvent(new Event('change'));", self.element("layout"))
        self.wait_until_done(shown)

    def show_photo(self, panel, layout):
        self.set_options("32", width="48", dither="floyd-steinberg")
        Select(self.element("panel")).select_by_value(panel)
        Select(self.element("layout")).select_by_value(layout)
        shown = self.results_shown()
        self.choose([photo()])
        self.wait_until_done(shown)

    def native_files(self):
        """What the command line shown writes, natively, the photo aside."""
        made = run_command_line(self.element("command").text, {"cat.jpg": photo().read_bytes()})
        del made["cat.jpg"]
        return made

    def inspect(self, x, y):
        canvas = self.element("preview")
        self.browser.execute_script("arguments[0].focus();", canvas)
        canvas.send_keys(*[Keys.ARROW_LEFT] * 48, *[Keys.ARROW_UP] * 32, *[Keys.ARROW_RIGHT] * x, *[Keys.ARROW_DOWN] * y)
        self.wait(lambda: self.element("pixel-text").text.startswith(f"Pixel x {x}, y {y}:"))
        return self.element("pixel-text").text

    def test_every_panel_gives_the_command_line_s_picture_and_arrays(self):
        cases = {  # panel: a layout it takes, the files the command line writes
            "bwr": ("adafruit", ["cat_bwr.bmp", "cat_bwr.h"]),
            "bwy": ("epd", ["cat_bwy.bmp", "cat_bwy_epd.h"]),
            "bwyr": ("rows", ["cat_bwyr.bmp", "cat_bwyr.h"]),
            "grey4": ("micropython", ["cat_grey4.bmp", "cat_grey4.py"]),
            "grey16": ("ssd1327", ["cat_grey16.bmp", "cat_grey16_ssd1327.h"]),
            "acep7": ("halves", ["cat_acep7.bmp", "cat_acep7_halves.h"]),
            "spectra6": ("rows", ["cat_spectra6.bmp", "cat_spectra6.h"]),
        }
        self.show_photo("bw", "pages")
        for panel, (layout, names) in cases.items():
            with self.subTest(panel):
                self.choose_panel(panel, layout)
                step = shlex.join(["panelbake-prepare", "cat.jpg", "--panel", panel, *SIZE])
                self.assertEqual(f"{step} && {step} --for {layout}", self.element("command").text)
                made = self.native_files()
                self.assertEqual(names, sorted(made))
                self.assertEqual(made[names[1]], self.link_bytes("header-download"))
                self.assertEqual(made[names[0]], self.link_bytes("preview-download"))
                self.assertEqual(bmp_colours(made[names[0]])[0], self.browser.execute_script(READ_COLOURS))
                self.assertFalse(self.element("threshold").is_displayed())
        # Black and white again: panelbake's own two steps, the threshold back.
        self.choose_panel("bw", "pages")
        self.assertEqual("panelbake-prepare cat.jpg -w 48 -h 32 --dither floyd-steinberg && panelbake cat.bmp",
                         self.element("command").text)
        self.assertTrue(self.element("threshold").is_displayed())

    def test_colours_edited_come_back_with_the_address(self):
        self.show_photo("bwr", "adafruit")
        shown = self.results_shown()
        self.browser.execute_script("""
            const field = document.querySelectorAll('#panel-colour-fields input')[2];
            field.value = '#c03020';
            field.dispatchEvent(new Event('change', {bubbles: true}));""")
        self.wait_until_done(shown)
        palette = "'#000000,#ffffff,#c03020'"
        self.assertIn(f"--panel bwr --palette {palette}", self.element("command").text)
        self.wait(lambda: "colours=" in self.browser.execute_script("return location.hash"))
        self.browser.refresh()
        self.browser.execute_async_script("window.panelbake.ready.then(arguments[0]);")
        self.assertEqual("bwr", self.element("panel").get_property("value"))
        fields = self.browser.execute_script(
            "return [...document.querySelectorAll('#panel-colour-fields input')].map((f) => f.value);")
        self.assertEqual(["#000000", "#ffffff", "#c03020"], fields)
        shown = self.results_shown()
        self.choose([photo()])
        self.wait_until_done(shown)
        self.assertIn(f"--palette {palette}", self.element("command").text)
        made = self.native_files()
        self.assertEqual(made["cat_bwr.bmp"], self.link_bytes("preview-download"))
        self.assertEqual(made["cat_bwr.h"], self.link_bytes("header-download"))
        self.assertIn("c03020", {c for row in self.browser.execute_script(READ_COLOURS) for c in row})
        self.browser.execute_script("document.getElementById('panel-colours-reset').click();")
        self.choose_panel("bw", "pages")

    def test_the_inspector_names_a_pixel_s_value_byte_and_bits_as_the_arrays_hold_them(self):
        names = {"bwr": ["black", "white", "red"],
                 "acep7": ["black", "white", "green", "blue", "red", "yellow", "orange"]}
        cases = {  # panel, layout, pixel, its byte's index, the words of its bits, each array's name
            "two planes": ("bwr", "adafruit", (9, 1), 7, "bit 6", ["black", "red"]),
            "4 bits": ("acep7", "rows", (2, 2), 49, "the high nibble (bits 7–4)", [""]),
        }
        self.show_photo("bw", "pages")
        for name, (panel, layout, (x, y), index, bits, planes) in cases.items():
            with self.subTest(name):
                self.choose_panel(panel, layout)
                made = self.native_files()
                value = bmp_colours(made[f"cat_{panel}.bmp"])[1][y][x]
                said = self.inspect(x, y)
                self.assertTrue(said.startswith(f"Pixel x {x}, y {y}: value {value} ({names[panel][value]}), "
                                                f"row {y} of the {layout} layout; "), said)
                for plane in planes:
                    byte = array_bytes(made[f"cat_{panel}.h"], f"cat_{panel}" + (f"_{plane}" if plane else ""))[index]
                    shift = int(re.findall(r"\d", bits)[-1])
                    held = format((byte >> shift) & (15 if "nibble" in bits else 1), "04b" if "nibble" in bits else "b")
                    where = f"the {plane} plane" if plane else "the array"
                    self.assertIn(f"{where} byte {index} = 0x{byte:02x} = {byte >> 4:04b} {byte & 15:04b} binary, "
                                  f"{bits} = {held}", said)
        self.choose_panel("bw", "pages")

    def test_bytes_back_show_a_panel_s_arrays_in_its_colours(self):
        self.browser.find_element(By.CSS_SELECTOR, "#arrays > summary").click()
        cases = {  # panel, layout, the file's text or a foreign array's, the Panel and Layout chosen
            "two planes, by their form": ("bwr", "adafruit", "cat_bwr.h", ""),
            "a MicroPython module of grey4": ("grey4", "micropython", "cat_grey4.py", ""),
            "a foreign array of 4 bits": ("acep7", "rows", None, "acep7"),
        }
        for name, (panel, layout, own, chosen) in cases.items():
            with self.subTest(name):
                made = native(["cat.jpg", "--panel", panel, *SIZE], {"cat.jpg": photo().read_bytes()}, PREPARE_NATIVE)
                arrays = native(["cat.jpg", "--panel", panel, *SIZE, "--for", layout], {"cat.jpg": photo().read_bytes()},
                                PREPARE_NATIVE)["files"]
                text = arrays[own].decode() if own else "const uint8_t frame[] = {%s};" % ", ".join(
                    map(str, array_bytes(arrays[f"cat_{panel}.h"], f"cat_{panel}")))
                Select(self.element("array-panel")).select_by_value(chosen)
                self.browser.execute_script(PASTE, text)
                if chosen:  # a foreign array's layout and width are given
                    Select(self.element("array-layout")).select_by_value(layout)
                    self.element("array-width").send_keys(Keys.CONTROL, "a", Keys.DELETE)
                    self.element("array-width").send_keys("48")
                expected = bmp_colours(made["files"][f"cat_{panel}.bmp"])[0]
                try:
                    self.wait(lambda: self.browser.execute_script(READ_COLOURS) == expected)
                except TimeoutException:
                    self.fail(self.element("summary").text)
        self.browser.refresh()  # the result shown is a picture's again
        self.browser.execute_async_script("window.panelbake.ready.then(arguments[0]);")

    def test_an_animation_stays_black_and_white_in_the_command_line_s_words(self):
        self.set_options("32")
        Select(self.element("panel")).select_by_value("acep7")
        self.choose([prepared_pictures() / "walk.gif"])
        self.wait(lambda: len(self.rows()) == 3 and all(
            "failed" in row.get_attribute("class") for row in self.rows()))
        refused = ("an animation is prepared in black and white only, and --panel acep7 asks for colours: give one "
                   "frame, or --panel bw")
        for row in self.rows():
            self.assertIn(refused, row.find_element(By.CLASS_NAME, "messages").text)
        self.assertFalse(self.element("compress").is_enabled())
        self.assertEqual("Not with these options: --compress is for black and white (--panel bw): an animation's frames "
                         "are not prepared for --panel acep7.", self.element("compress-note").text)
        Select(self.element("panel")).select_by_value("bw")
        self.wait(lambda: self.element("compress").is_enabled())

    def test_axe_finds_no_violation_with_a_panel_s_colours_shown(self):
        self.show_photo("grey4", "rows")
        self.element("preview").send_keys(Keys.ARROW_RIGHT)
        self.assertEqual([], axe_violations(self.browser))
        self.choose_panel("bw", "pages")


if __name__ == "__main__":
    unittest.main()
