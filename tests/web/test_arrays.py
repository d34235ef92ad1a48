# SPDX-License-Identifier: MIT
"""Bytes back to a picture, in headless Chromium through the page's controls: a header panelbake wrote
shows exactly the pixels of its preview BMP, each layout's file those pixels in the layout its form tells,
and a byte count that is not whole pages is drawn as far as it goes, in the words of panelbake-prepare's
reader."""
import base64
import shutil
import tempfile
import unittest
from pathlib import Path

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

from test_page import (DROP, PREPARE_NATIVE, READ_PREVIEW, SAMPLE, SITE_DIR, WAIT_S, PageTests,  # noqa: F401
                       black_pixels, native, prepared_pictures, setUpModule, start_chromium)

# Puts text into the array box as a paste does.
PASTE = """
const box = document.getElementById('array-text');
box.value = arguments[0];
box.dispatchEvent(new Event('input'));
"""


def page_columns(data, width, height):
    """The rows of the picture that page-column bytes hold: '1' for black (bit 0 the top row of a page)."""
    return ["".join(str(data[(y // 8) * width + x] >> (y % 8) & 1) for x in range(width)) for y in range(height)]


class ArraysTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.browser, profile = start_chromium()
        cls.addClassCleanup(shutil.rmtree, profile, ignore_errors=True)
        cls.addClassCleanup(cls.browser.quit)
        cls.browser.get((SITE_DIR / "index.html").as_uri())
        cls.browser.execute_async_script("window.panelbake.ready.then(arguments[0]);")
        cls.browser.find_element(By.CSS_SELECTOR, "#arrays > summary").click()  # the section opens

    def setUp(self):
        self.browser.execute_script("document.getElementById('array-width').value = '';")

    element = PageTests.element
    results_shown = PageTests.results_shown
    wait_until_done = PageTests.wait_until_done
    wait_until_settled = PageTests.wait_until_settled
    pick = PageTests.pick
    wait_for_text = PageTests.wait_for_text

    def shown_after(self, action):
        """Does `action`, waits for the result it shows, and returns the summary."""
        shown = self.results_shown()
        action()
        WebDriverWait(self.browser, WAIT_S).until(lambda _: self.results_shown() > shown)
        return self.element("summary").text

    def paste(self, text):
        return self.shown_after(lambda: self.browser.execute_script(PASTE, text))

    def type_width(self, width):
        field = self.element("array-width")
        return self.shown_after(lambda: (field.send_keys(Keys.CONTROL, "a", Keys.DELETE), field.send_keys(width)))

    def test_a_header_panelbake_wrote_shows_the_pixels_of_its_preview(self):
        cases = {  # options, pasted or loaded from a file
            "128 x 64, static char": (["-w", "128", "-h", "64"], "paste"),
            "84 x 45 (a partial page), -pgm": (["-w", "84", "-h", "45", "-pgm"], "paste"),
            "40 x 20, -pic30, loaded": (["-h", "20", "-pic30"], "load"),
            "64 x 32, dropped on the page": (["-w", "64", "-h", "32"], "drop"),
        }
        for name, (args, how) in cases.items():
            with self.subTest(name):
                made = native(["logo.bmp", *args], {"logo.bmp": SAMPLE.read_bytes()})
                header, preview = made["files"]["logo_glcd.h"], made["files"]["logo_glcd.bmp"]
                if how == "paste":
                    summary = self.paste(header.decode())
                elif how == "drop":
                    dropped = [["logo_glcd.h", base64.b64encode(header).decode()]]
                    summary = self.shown_after(lambda: self.browser.execute_script(DROP, dropped))
                else:
                    with tempfile.TemporaryDirectory() as folder:
                        path = Path(folder) / "logo_glcd.h"
                        path.write_bytes(header)
                        summary = self.shown_after(lambda: self.element("array-file").send_keys(str(path)))
                rows = black_pixels(preview)
                width, height = len(rows[0]), len(rows)
                self.assertEqual(f"Read logo_glcd_bmp (line 9): {width * ((height + 7) // 8)} bytes, {width} x {height} "
                                 "pixels in the pages layout (the layout from panelbake's size macros, the size from "
                                 "LOGO_GLCD_WIDTH and LOGO_GLCD_HEIGHT).", summary)
                self.assertEqual(str(width), self.element("array-width").get_property("value"))
                self.assertEqual(rows, self.browser.execute_script(READ_PREVIEW))
                self.assertTrue(self.element("files-area").get_property("hidden"))
        # The byte inspector tells the array's bytes: from the keyboard, the second column's first byte.
        self.element("preview").send_keys(Keys.ARROW_RIGHT)
        second = int(header.decode().split("={")[1].split(",")[1], 16)
        self.wait_for_text("pixel-text", f"index 0 × {width} + 1 = 1, byte 0x{second:02x}")

    def test_counts_that_are_not_whole_pages_and_text_that_is_not_bytes(self):
        data = list(range(0, 200, 10))  # 20 bytes
        text = "const uint8_t logo[] PROGMEM = {\n" + ", ".join(map(str, data)) + "\n};"
        # No size macros: the width is asked for.
        self.assertEqual("logo (line 1) holds 20 bytes and no size macros: give the width of its picture with --width",
                         self.paste(text))
        self.assertEqual("failed", self.element("summary").get_attribute("class"))
        cases = {  # width: summary, rows shown; what panelbake-prepare refuses is drawn as far as it goes
            "8": ("Read logo (line 1): 20 bytes, 8 x 16 pixels in the pages layout; 20 bytes do not fill whole pages of "
                  "8 columns: 4 are over, and 4 are missing for one more page; the first 16 bytes are drawn.", 16),
            "19": ("Read logo (line 1): 20 bytes, 19 x 8 pixels in the pages layout; 20 bytes do not fill whole pages of "
                   "19 columns: 1 is over, and 18 are missing for one more page; the first 19 bytes are drawn.", 8),
            "20": ("Read logo (line 1): 20 bytes, 20 x 8 pixels in the pages layout.", 8),
            "30": ("logo (line 1): 20 bytes do not fill whole pages of 30 columns: 20 are over, and 10 are missing "
                   "for one more page", 0),
            "x3": ('--width needs the width of a C array\'s picture, 1 pixel or more, not "x3"', 0),
        }
        for width, (summary, height) in cases.items():
            with self.subTest(width=width):
                self.assertEqual(summary, self.type_width(width))
                if height:
                    self.assertEqual(page_columns(data, int(width), height), self.browser.execute_script(READ_PREVIEW))
                else:
                    self.assertTrue(self.element("preview-area").get_property("hidden"))
        # Size macros that disagree with the count: the whole pages are shown, and the disagreement said.
        self.assertEqual("Read logo (line 3): 18 bytes, 4 x 32 pixels in the pages layout (the width from LOGO_WIDTH "
                         "and LOGO_HEIGHT); its size macros say 4 x 40, which takes 20 in the pages layout: 2 are "
                         "missing; 18 bytes do not fill whole pages of 4 columns: 2 are over, and 2 are missing for one "
                         "more page; the first 16 bytes are drawn.",
                         self.paste("#define LOGO_WIDTH 4\n#define LOGO_HEIGHT 40\nuint8_t logo[] = {" +
                                    ", ".join(["0xff"] * 18) + "};"))
        # Another width than the macros': the macros' size is said.
        self.paste("#define LOGO_WIDTH 4\n#define LOGO_HEIGHT 16\nuint8_t logo[] = {" + ", ".join(["1"] * 8) + "};")
        self.assertEqual("Read logo (line 3): 8 bytes, 2 x 32 pixels in the pages layout; its size macros say 4 x 16.",
                         self.type_width("2"))
        # A token that is not a byte: nothing is shown, each problem is listed with its line.
        summary = self.paste("uint8_t logo[] = {\n1, 2,\n0x100, 3 4\n};")
        self.assertEqual('logo (line 1) could not be read: line 3: 0x100 is not a byte (0 to 255) (and 1 more problem, '
                         'listed under the box).', summary)
        self.assertEqual(["line 3: 0x100 is not a byte (0 to 255)", 'line 3: a "," is missing before 4'],
                         [item.text for item in self.element("array-problems").find_elements(By.TAG_NAME, "li")])
        self.assertTrue(self.element("preview-area").get_property("hidden"))
        # Several arrays: the first is shown, the others are chosen by name.
        self.paste("uint8_t a[] = {1, 2};\nuint8_t b[] = {0xff, 0xff, 0xff};")
        self.assertTrue(self.element("array-problems").get_property("hidden"))
        choice = Select(self.element("array-name"))
        self.assertEqual(["a, line 1: 2 bytes", "b, line 2: 3 bytes"], [o.text for o in choice.options])
        self.assertEqual("Read a (line 1): 2 bytes, 1 x 16 pixels in the pages layout.", self.type_width("1"))
        self.assertEqual("Read b (line 2): 3 bytes, 1 x 24 pixels in the pages layout.",
                         self.shown_after(lambda: choice.select_by_index(1)))
        self.assertEqual(page_columns([0xff] * 3, 1, 24), self.browser.execute_script(READ_PREVIEW))
        # An edit keeps the array chosen.
        self.assertEqual("Read b (line 2): 2 bytes, 1 x 16 pixels in the pages layout.",
                         self.paste("uint8_t a[] = {1, 2};\nuint8_t b[] = {0xff, 0xff};"))
    def test_panelbake_prepare_s_own_files_set_the_layout_and_read_back_and_a_switch_redraws(self):
        # 13 x 21: neither whole bytes across nor whole pages down, where a wrong layout shows.
        args = ["-w", "13", "-h", "21"]
        rows = black_pixels(native(["logo.bmp", *args], {"logo.bmp": SAMPLE.read_bytes()})["files"]["logo_glcd.bmp"])
        layouts = Select(self.element("array-layout"))
        cases = {"columns": ("logo_columns.h", "its comment"), "adafruit": ("logo_adafruit.h", "its comment"),
                 "xbm": ("logo.xbm", "its comment"), "micropython": ("logo.py", "framebuf.MONO_VLSB")}
        for layout, (name, told) in cases.items():
            with self.subTest(layout):
                made = native(["logo.bmp", *args, "--for", layout], {"logo.bmp": SAMPLE.read_bytes()}, PREPARE_NATIVE)
                layouts.select_by_value("pages")  # the layout the text tells wins over the one chosen
                summary = self.paste(made["files"][name].decode())
                self.assertIn(f"13 x 21 pixels in the {layout} layout (the layout from {told}", summary)
                self.assertEqual(layout, layouts.first_selected_option.get_attribute("value"))
                self.assertEqual("13", self.element("array-width").get_property("value"))
                self.assertEqual(rows, self.browser.execute_script(READ_PREVIEW))
        # Another layout chosen draws the bytes in it; the text's own again, its picture.
        self.assertIn("in the adafruit layout", self.shown_after(lambda: layouts.select_by_value("adafruit")))
        self.assertNotEqual(rows, self.browser.execute_script(READ_PREVIEW))
        self.shown_after(lambda: layouts.select_by_value("micropython"))
        self.assertEqual(rows, self.browser.execute_script(READ_PREVIEW))
        layouts.select_by_value("pages")

    def test_a_width_from_size_macros_is_not_kept_for_an_array_without_them(self):
        made = native(["logo.bmp", "-w", "102", "-h", "64"], {"logo.bmp": SAMPLE.read_bytes()})
        self.assertTrue(self.paste(made["files"]["logo_glcd.h"].decode()).startswith(
            "Read logo_glcd_bmp (line 9): 816 bytes, 102 x 64 pixels"))
        self.assertEqual("102", self.element("array-width").get_property("value"))
        # As on a fresh page, the width is asked for.
        self.assertEqual("logo (line 1) holds 3 bytes and no size macros: give the width of its picture with --width",
                         self.paste("uint8_t logo[] = {1, 2, 3};"))
        self.assertEqual("", self.element("array-width").get_property("value"))
        # A width typed is the user's: it stays for the next text.
        self.type_width("3")
        self.assertTrue(self.paste("uint8_t logo[] = {1, 2, 3, 4, 5, 6};").startswith(
            "Read logo (line 1): 6 bytes, 3 x 16 pixels"))

    def test_bytes_pasted_while_a_picture_is_prepared_stay_until_an_option_changes(self):
        folder = prepared_pictures()
        self.pick(folder / "first.png")  # seconds to decode
        self.assertEqual("a (line 1) holds 1 byte and no size macros: give the width of its picture with --width",
                         self.paste("uint8_t a[] = {1};"))
        summary = self.type_width("1")
        self.wait_until_settled()  # the picture's preparation has ended meanwhile
        self.assertEqual("Read a (line 1): 1 byte, 1 x 8 pixels in the pages layout.", summary)
        self.assertEqual(summary, self.element("summary").text)
        self.assertEqual("done", self.element("report").get_attribute("data-state"))
        # An option of the picture changed: it is converted and shown.
        shown = self.results_shown()
        self.element("height").send_keys("16")
        self.wait_until_done(shown)
        self.assertEqual("first_glcd.h", self.element("header-name").text)


if __name__ == "__main__":
    unittest.main()
