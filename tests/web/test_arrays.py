# SPDX-License-Identifier: MIT
"""Bytes back to a picture, in headless Chromium through the page's controls: a header panelbake wrote
shows exactly the pixels of its preview BMP, and a byte count that is not whole pages says so."""
import base64
import shutil
import tempfile
import unittest
from pathlib import Path

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

from test_page import (DROP, READ_PREVIEW, SAMPLE, SITE_DIR, WAIT_S, PageTests, black_pixels, native,  # noqa: F401
                       prepared_pictures, setUpModule, start_chromium)

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
                self.assertTrue(summary.startswith(f"logo_glcd_bmp (line 9): {width} × {height} pixels"), summary)
                self.assertIn("width and height from LOGO_GLCD_WIDTH and LOGO_GLCD_HEIGHT", summary)
                self.assertEqual(str(width), self.element("array-width").get_property("value"))
                self.assertEqual(rows, self.browser.execute_script(READ_PREVIEW))
                self.assertTrue(self.element("files-area").get_property("hidden"))
        # The byte inspector tells the array's bytes: from the keyboard, the second column's first byte.
        self.element("preview").send_keys(Keys.ARROW_RIGHT)
        second = int(header.decode().split("={")[1].split(",")[1], 16)
        self.assertIn(f"index 0 × {width} + 1 = 1, byte 0x{second:02x}", self.element("pixel-text").text)

    def test_counts_that_are_not_whole_pages_and_text_that_is_not_bytes(self):
        data = list(range(0, 200, 10))  # 20 bytes
        text = "const uint8_t logo[] PROGMEM = {\n" + ", ".join(map(str, data)) + "\n};"
        # No size macros: the width is asked for.
        self.assertEqual("logo (line 1) holds 20 bytes. Give its width in pixels, under the box: the text has no size "
                         "macros for it.", self.paste(text))
        self.assertEqual("failed", self.element("summary").get_attribute("class"))
        cases = {  # width: summary, rows shown
            "8": ("logo (line 1): 8 × 16 pixels, 2 pages × 8 columns = 16 bytes; 20 bytes do not fill whole pages of "
                  "8 columns: 4 are over, and 4 are missing for one more page. Shown: the first 16 bytes.", 16),
            "19": ("logo (line 1): 19 × 8 pixels, 1 page × 19 columns = 19 bytes; 20 bytes do not fill whole pages of "
                   "19 columns: 1 is over, and 18 are missing for one more page. Shown: the first 19 bytes.", 8),
            "20": ("logo (line 1): 20 × 8 pixels, 1 page × 20 columns = 20 bytes.", 8),
            "30": ("logo (line 1): 20 bytes do not fill whole pages of 30 columns: 20 are over, and 10 are missing "
                   "for one more page. Nothing to show: not one whole page.", 0),
        }
        for width, (summary, height) in cases.items():
            with self.subTest(width=width):
                self.assertEqual(summary, self.type_width(width))
                if height:
                    self.assertEqual(page_columns(data, int(width), height), self.browser.execute_script(READ_PREVIEW))
                else:
                    self.assertTrue(self.element("preview-area").get_property("hidden"))
        # Size macros that disagree with the count: the whole pages are shown, and the disagreement said.
        self.assertEqual("logo (line 3): 4 × 32 pixels, 4 pages × 4 columns = 16 bytes; the size macros say 4 × 40, "
                         "which takes 20 bytes, not 18; 18 bytes do not fill whole pages of 4 columns: 2 are over, and "
                         "2 are missing for one more page. Shown: the first 16 bytes.",
                         self.paste("#define LOGO_WIDTH 4\n#define LOGO_HEIGHT 40\nuint8_t logo[] = {" +
                                    ", ".join(["0xff"] * 18) + "};"))
        # Another width than the macros': the macros' size is said.
        self.paste("#define LOGO_WIDTH 4\n#define LOGO_HEIGHT 16\nuint8_t logo[] = {" + ", ".join(["1"] * 8) + "};")
        self.assertEqual("logo (line 3): 2 × 32 pixels, 4 pages × 2 columns = 8 bytes; the size macros say 4 × 16.",
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
        self.assertEqual("a (line 1): 1 × 16 pixels, 2 pages × 1 column = 2 bytes.", self.type_width("1"))
        self.assertEqual("b (line 2): 1 × 24 pixels, 3 pages × 1 column = 3 bytes.",
                         self.shown_after(lambda: choice.select_by_index(1)))
        self.assertEqual(page_columns([0xff] * 3, 1, 24), self.browser.execute_script(READ_PREVIEW))
        # An edit keeps the array chosen.
        self.assertEqual("b (line 2): 1 × 16 pixels, 2 pages × 1 column = 2 bytes.",
                         self.paste("uint8_t a[] = {1, 2};\nuint8_t b[] = {0xff, 0xff};"))
    def test_a_width_from_size_macros_is_not_kept_for_an_array_without_them(self):
        made = native(["logo.bmp", "-w", "102", "-h", "64"], {"logo.bmp": SAMPLE.read_bytes()})
        self.assertTrue(self.paste(made["files"]["logo_glcd.h"].decode()).startswith("logo_glcd_bmp (line 9): 102 × 64"))
        self.assertEqual("102", self.element("array-width").get_property("value"))
        # As on a fresh page, the width is asked for.
        self.assertEqual("logo (line 1) holds 3 bytes. Give its width in pixels, under the box: the text has no size "
                         "macros for it.", self.paste("uint8_t logo[] = {1, 2, 3};"))
        self.assertEqual("", self.element("array-width").get_property("value"))
        # A width typed is the user's: it stays for the next text.
        self.type_width("3")
        self.assertTrue(self.paste("uint8_t logo[] = {1, 2, 3, 4, 5, 6};").startswith("logo (line 1): 3 × 16 pixels"))

    def test_bytes_pasted_while_a_picture_is_prepared_stay_until_an_option_changes(self):
        folder = prepared_pictures()
        self.pick(folder / "first.png")  # seconds to decode
        self.assertEqual("a (line 1) holds 1 byte. Give its width in pixels, under the box: the text has no size "
                         "macros for it.", self.paste("uint8_t a[] = {1};"))
        summary = self.type_width("1")
        self.wait_until_settled()  # the picture's preparation has ended meanwhile
        self.assertEqual("a (line 1): 1 × 8 pixels, 1 page × 1 column = 1 byte.", summary)
        self.assertEqual(summary, self.element("summary").text)
        self.assertEqual("done", self.element("report").get_attribute("data-state"))
        # An option of the picture changed: it is converted and shown.
        shown = self.results_shown()
        self.element("height").send_keys("16")
        self.wait_until_done(shown)
        self.assertEqual("first_glcd.h", self.element("header-name").text)


if __name__ == "__main__":
    unittest.main()
