# SPDX-License-Identifier: MIT
"""Draw with, the preview's display colours and Compress frames, through the page's controls in
headless Chromium: each layout's file, and an animation's Download all with and without
compression, equal what the command line the page shows writes when run natively; the summary
counts the bytes of that layout, and the byte inspector tells their byte and bit, in the words of
the display's look."""
import shlex
import unittest
from urllib.parse import parse_qs

from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select

import test_batch
from test_controls import run_command_line
from test_page import (PREPARE_NATIVE, READ_PREVIEW, SAMPLE, black_pixels, native, prepared_pictures, setUpModule,
                       tearDownModule)

__all__ = ["setUpModule", "tearDownModule"]


class LayoutsTest(unittest.TestCase):
    """Opened from disk as test_batch opens the page, with its ways of driving it (its test class is
    not imported by name: unittest would run its tests here too)."""

    locals().update({name: test_batch.BatchTest.__dict__[name] for name in (
        "setUpClass", "element", "results_shown", "wait_until_done", "link_bytes", "wait", "set_options", "choose",
        "rows", "wait_for_list", "download_all")})

    def choose_one(self, path):
        shown = self.results_shown()
        self.choose([path])
        self.wait_until_done(shown)

    def redraw_with(self, control, value):
        shown = self.results_shown()
        Select(self.element(control)).select_by_value(value)
        self.wait_until_done(shown)

    def inspect(self, moves, said):
        """Moves over the preview with the arrow keys from its top-left pixel, until the inspector
        says `said`: its text."""
        canvas = self.element("preview")
        self.browser.execute_script("arguments[0].focus();", canvas)
        image = self.browser.execute_script("return [arguments[0].width, arguments[0].height];", canvas)
        canvas.send_keys(*[Keys.ARROW_LEFT] * image[0], *[Keys.ARROW_UP] * image[1])
        for key, count in moves:
            canvas.send_keys(*[key] * count)
        self.wait(lambda: said in self.element("pixel-text").text)
        return self.element("pixel-text").text

    def test_each_layout_gives_the_command_line_s_file_in_every_display_s_colours(self):
        # 130 x 50: neither a whole number of bytes across nor of pages down, where a wrong
        # layout shows.
        self.set_options("50", memory="-pgm", width="130")
        self.choose_one(SAMPLE)
        preview = native(["landscape.bmp", "-w", "130", "-h", "50"], {"landscape.bmp": SAMPLE.read_bytes()})
        pixels = black_pixels(preview["files"]["landscape_glcd.bmp"])
        cases = {  # layout: its file, the display's colours, arrow-key moves, what the inspector says, its bytes
            "columns": ("landscape_columns.h", "white", [(Keys.ARROW_RIGHT, 1), (Keys.ARROW_DOWN, 9)],
                        "byte 8 of the columns layout (page 1)",  # the second column's second page: 7 pages a column
                        "7 pages × 130 columns = 910 bytes"),
            "adafruit": ("landscape_adafruit.h", "yellow-blue", [(Keys.ARROW_RIGHT, 9)],
                         "byte 1 of the adafruit layout (row 0)",  # its second byte, the leftmost pixel in bit 7
                         "50 rows × 17 bytes = 850 bytes"),
            "xbm": ("landscape.xbm", "paper", [(Keys.ARROW_DOWN, 1), (Keys.ARROW_RIGHT, 9)],
                    "byte 18 of the xbm layout (row 1)", "50 rows × 17 bytes = 850 bytes"),  # 17 bytes a row
            "micropython": ("landscape.py", "blue", [(Keys.ARROW_DOWN, 9)], "byte 130 of the micropython layout (page 1)",
                            "7 pages × 130 columns = 910 bytes"),
        }
        for layout, (name, palette, moves, said, grid) in cases.items():
            with self.subTest(layout):
                Select(self.element("palette")).select_by_value(palette)
                self.redraw_with("layout", layout)
                command = self.element("command").text
                args = ["-w", "130", "-h", "50", "--for", layout] + ([] if layout == "micropython" else ["-pgm"])
                self.assertEqual(shlex.join(["panelbake-prepare", "landscape.bmp", *args]), command)
                made = run_command_line(command, {"landscape.bmp": SAMPLE.read_bytes()})
                self.assertEqual([name], [f for f in made if f != "landscape.bmp"])
                self.assertEqual(made[name].decode(), self.element("header").get_property("value"))
                self.assertEqual(made[name], self.link_bytes("header-download"))
                self.assertTrue(self.element("summary").text.startswith(f"130 × 50 pixels: {grid}. {name}: "),
                                self.element("summary").text)
                self.assertFalse(self.element("preview-download").is_displayed())  # panelbake-prepare writes none
                self.assertEqual(pixels, self.browser.execute_script(READ_PREVIEW))
                # An OLED lights a set bit; the preview BMP, and a paper or an LCD, has it black.
                text = self.inspect(moves, said)
                set_ = text.split(" = ")[-1][0] == "1"
                words = ("lit", "unlit") if palette in ("white", "yellow-blue", "blue") else ("black", "white")
                self.assertTrue(text.endswith(f"({words[0] if set_ else words[1]})."), text)
        # Pages is panelbake's own again, in two steps; the choices are carried in the address.
        self.redraw_with("layout", "pages")
        self.assertEqual("panelbake landscape.bmp -w 130 -h 50 -pgm", self.element("command").text)
        Select(self.element("palette")).select_by_value("white")
        self.redraw_with("layout", "xbm")
        self.wait(lambda: "for=xbm" in self.browser.execute_script("return location.hash"))
        address = parse_qs(self.browser.execute_script("return location.hash").lstrip("#"))
        self.assertEqual((["xbm"], ["white"]), (address["for"], address["palette"]))

    def test_an_animation_downloaded_in_a_layout_and_compressed_as_the_command_line_writes_it(self):
        gif = prepared_pictures() / "walk.gif"
        self.set_options("32", memory="-pgm")
        Select(self.element("layout")).select_by_value("adafruit")
        self.choose([gif])
        self.wait_for_list(3)
        cases = {  # Compress frames ticked, the command line
            "frames in a layout": (False, "panelbake-prepare walk.gif -h 32 --for adafruit -pgm"),
            "compressed": (True, "panelbake-prepare walk.gif -h 32 --compress --for adafruit -pgm"),
        }
        for name, (compress, command) in cases.items():
            with self.subTest(name):
                if self.element("compress").is_selected() != compress:
                    self.element("compress").click()
                self.assertEqual(command, self.element("command").text)
                made = native(shlex.split(command)[1:], {"walk.gif": gif.read_bytes()}, PREPARE_NATIVE)["files"]
                del made["walk.gif"]
                self.assertEqual(made, self.download_all())
        # Three frames of 64 x 32 in adafruit's rows, eight bytes each; what Download all gives.
        self.wait(lambda: self.element("compress-sizes").text.startswith("768 bytes of frames raw, "))
        self.assertNotIn("preview", self.element("batch-hint").text)
        # A Python module's layout: the player is C, so the frames are not offered compressed,
        # and Download all gives the module's frames, as the command line without --compress.
        self.redraw_with("layout", "micropython")
        self.wait(lambda: not self.element("compress").is_enabled())
        self.assertFalse(self.element("compress").is_selected())
        self.assertEqual("Not with these options: --compress writes C for panelbake_play.h, and --for micropython is a "
                         "Python module.", self.element("compress-note").text)
        command = self.element("command").text
        self.assertEqual("panelbake-prepare walk.gif -h 32 --for micropython", command)
        made = native(shlex.split(command)[1:], {"walk.gif": gif.read_bytes()}, PREPARE_NATIVE)["files"]
        del made["walk.gif"]
        self.assertEqual(made, self.download_all())
        Select(self.element("layout")).select_by_value("pages")


if __name__ == "__main__":
    unittest.main()
