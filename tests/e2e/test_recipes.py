# SPDX-License-Identifier: MIT
"""The README's recipes for pictures that are not BMP files, run as they stand there:
each writes a file the converter reads, transparency comes out white, and a picture made
black and white beforehand is kept pixel for pixel."""
import os
import re
import shutil
import subprocess
import unittest

from PIL import Image, ImageDraw

from glcd_support import SOURCE_DIR, TempDirTest, pillow_black

CONVERT = "/usr/bin/convert"
SHAPE = (8, 4, 27, 15)  # dark red (sum 260: black) on a transparent ground


def readme_section(title):
    with open(os.path.join(SOURCE_DIR, "README.md"), encoding="utf-8") as f:
        text = f.read()
    return re.search(rf"^## {title}\n(.*?)(?=^## )", text, re.S | re.M).group(1)


def code_blocks(section, language):
    return re.findall(rf"^```{language}\n(.*?)^```", section, re.S | re.M)


def convert_commands(section):
    return [line.split() for block in code_blocks(section, "sh") for line in block.splitlines()
            if line.startswith("convert ")]


class RecipesTest(TempDirTest):
    def setUp(self):
        super().setUp()
        self.section = readme_section("Preparing pictures")
        logo = Image.new("RGBA", (40, 20), (0, 0, 0, 0))  # transparent black: black if not flattened
        draw = ImageDraw.Draw(logo)
        draw.rectangle(SHAPE, fill=(150, 60, 50, 255))
        for x in range(30, 40):  # a grey ramp, where the thresholds differ
            draw.line((x, 0, x, 19), fill=(25 * (x - 30),) * 3 + (255,))
        logo.save(self.path("logo.png"))
        Image.linear_gradient("L").resize((40, 20)).convert("RGB").save(self.path("photo.jpg"), quality=90)

    def convert_bmp(self, name):
        run = self.run_tool(name)
        self.assertEqual((run.code, run.err), (0, ""), name)
        return pillow_black(self.path(name.replace(".bmp", "_glcd.bmp")))

    def assert_flattened_logo(self, black):
        self.assertFalse(black[0][0], "transparency must come out white")
        self.assertTrue(black[SHAPE[1]][SHAPE[0]])
        self.assertEqual(len(black), 20)

    @unittest.skipUnless(os.path.exists(CONVERT), "ImageMagick is not installed")
    def test_imagemagick_recipes(self):
        commands = convert_commands(self.section)
        outputs = [c[-1].split(":", 1)[-1] for c in commands]
        self.assertEqual(["logo.bmp", "photo.bmp", "logo_inverted.bmp", "logo_dark.bmp", "photo_dithered.bmp"],
                         outputs)
        for command in commands:
            subprocess.run([CONVERT, *command[1:]], cwd=self.dir, check=True)
        made = {name: self.convert_bmp(name) for name in outputs}

        self.assert_flattened_logo(made["logo.bmp"])
        self.assertEqual(len(made["photo.bmp"][0]), 40)
        inverse = [[not b for b in row] for row in made["logo.bmp"]]
        self.assertEqual(made["logo_inverted.bmp"], inverse)
        for name in ("logo_dark.bmp", "photo_dithered.bmp"):
            with self.subTest(name):
                self.assertEqual(made[name], pillow_black(self.path(name)))
        self.assertNotEqual(made["logo_dark.bmp"], made["logo.bmp"])
        dots = sum(map(sum, made["photo_dithered.bmp"]))
        self.assertEqual(len(made["photo_dithered.bmp"][0]), 128)
        self.assertTrue(0 < dots < 128 * 64)

    def test_pillow_recipe(self):
        [program] = code_blocks(self.section, "python")
        subprocess.run(["/usr/bin/python3", "-c", program], cwd=self.dir, check=True)
        self.assert_flattened_logo(self.convert_bmp("logo.bmp"))
        self.assertEqual(len(self.convert_bmp("photo.bmp")[0]), 40)


if __name__ == "__main__":
    unittest.main()
